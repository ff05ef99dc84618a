#include "live/engine/MLDBManager.h"

#include "core/session/MLUserManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <sqlite3.h>

#include <memory>

namespace {
Q_LOGGING_CATEGORY(lcHistory, "ml.live.history")

// Values are always bound, never written into the statement text, so any path or date is stored as
// given.
constexpr const char *kCreateSql =
    "create table if not exists historicalRecord (historicalId integer primary "
    "key, path text, type integer, date text , userId integer)";
constexpr const char *kInsertSql =
    "insert into historicalRecord (path, type, date, userId) values (?1, ?2, ?3, ?4)";
constexpr const char *kSelectSql = "select historicalId, type, path, date from historicalRecord where userId "
                                   "= ?1 order by historicalId desc";
constexpr const char *kDeleteSql = "delete from historicalRecord where historicalId = ?1 and userId = ?2";

struct ConnectionCloser {
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
// Declared connection first, statement second, so the statement is finalized before the close.
using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

Connection openDatabase(const QString &path, int flags) {
    sqlite3 *handle = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, flags, nullptr);
    Connection db(handle); // a failed open still hands back a handle to close
    if (rc != SQLITE_OK) {
        qCWarning(lcHistory) << "cannot open" << path << ":"
                             << (handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc));
        return nullptr;
    }
    return db;
}

Statement prepare(sqlite3 *db, const char *sql) {
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    return Statement(statement);
}

bool bindText(sqlite3_stmt *statement, int index, const QString &text) {
    const QByteArray utf8 = text.toUtf8();
    return sqlite3_bind_text64(statement, index, utf8.constData(), sqlite3_uint64(utf8.size()),
                               SQLITE_TRANSIENT, SQLITE_UTF8) == SQLITE_OK;
}

bool bindInt64(sqlite3_stmt *statement, int index, qint64 value) {
    return sqlite3_bind_int64(statement, index, sqlite3_int64(value)) == SQLITE_OK;
}

QString columnText(sqlite3_stmt *statement, int column) {
    // The text pointer first: asking for it may convert the value, which changes its byte count.
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    const int size = sqlite3_column_bytes(statement, column);
    return QString::fromUtf8(text, size);
}

// Steps a statement that returns no rows; true when it ran to completion.
bool runOnce(sqlite3 *db, sqlite3_stmt *statement) {
    if (sqlite3_step(statement) == SQLITE_DONE)
        return true;
    qCWarning(lcHistory) << "statement failed:" << sqlite3_errmsg(db);
    return false;
}
} // namespace

MLDBManager &MLDBManager::getSharedInstance() {
    static MLDBManager manager(defaultDatabasePath(),
                               [] { return MLUserManager::sharedManager().consumerId(); });
    static const bool created = manager.createDB();
    Q_UNUSED(created)
    return manager;
}

MLDBManager::MLDBManager(QString databasePath, UserIdSource userId)
    : m_databasePath(std::move(databasePath))
    , m_userId(std::move(userId)) {}

QString MLDBManager::defaultDatabasePath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
        .filePath(QStringLiteral("historicalRecord.db"));
}

qint64 MLDBManager::currentUserId() const {
    return m_userId ? m_userId() : 0;
}

bool MLDBManager::createDB() {
    const QString folder = QFileInfo(m_databasePath).absolutePath();
    if (!QDir().mkpath(folder)) {
        qCWarning(lcHistory) << "cannot create" << folder;
        return false;
    }
    // Runs on an existing file too: a file that lost its table (or never had it) gets it back,
    // while the statement leaves an existing table and its rows alone.
    const Connection db = openDatabase(m_databasePath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!db)
        return false;
    const Statement statement = prepare(db.get(), kCreateSql);
    if (!statement) {
        qCWarning(lcHistory) << "cannot create the table:" << sqlite3_errmsg(db.get());
        return false;
    }
    return runOnce(db.get(), statement.get());
}

bool MLDBManager::saveData(const QString &path, qint64 type, const QString &date) {
    const qint64 userId = currentUserId();
    // No create flag: a missing file is a failure here, not a new file without the table.
    const Connection db = openDatabase(m_databasePath, SQLITE_OPEN_READWRITE);
    if (!db)
        return false;
    const Statement statement = prepare(db.get(), kInsertSql);
    if (!statement) {
        qCWarning(lcHistory) << "cannot insert:" << sqlite3_errmsg(db.get());
        return false;
    }
    if (!bindText(statement.get(), 1, path) || !bindInt64(statement.get(), 2, type) ||
        !bindText(statement.get(), 3, date) || !bindInt64(statement.get(), 4, userId)) {
        qCWarning(lcHistory) << "cannot bind:" << sqlite3_errmsg(db.get());
        return false;
    }
    return runOnce(db.get(), statement.get());
}

std::optional<QList<HistoricalRecordModel>> MLDBManager::findData() {
    const qint64 userId = currentUserId();
    const Connection db = openDatabase(m_databasePath, SQLITE_OPEN_READONLY);
    if (!db)
        return std::nullopt;
    const Statement statement = prepare(db.get(), kSelectSql);
    if (!statement || !bindInt64(statement.get(), 1, userId)) {
        qCWarning(lcHistory, "Not found");
        return std::nullopt;
    }
    QList<HistoricalRecordModel> rows;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
        HistoricalRecordModel row;
        row.historicalId = sqlite3_column_int64(statement.get(), 0);
        row.type = sqlite3_column_int64(statement.get(), 1);
        row.path = columnText(statement.get(), 2);
        row.date = columnText(statement.get(), 3);
        rows.append(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        // A read that breaks off part way gives nothing rather than a silently shortened list.
        qCWarning(lcHistory) << "reading failed:" << sqlite3_errmsg(db.get());
        return std::nullopt;
    }
    return rows;
}

bool MLDBManager::deleteData(qint64 historicalId) {
    const qint64 userId = currentUserId();
    const Connection db = openDatabase(m_databasePath, SQLITE_OPEN_READWRITE);
    if (!db)
        return false;
    const Statement statement = prepare(db.get(), kDeleteSql);
    if (!statement) {
        qCWarning(lcHistory) << "cannot delete:" << sqlite3_errmsg(db.get());
        return false;
    }
    if (!bindInt64(statement.get(), 1, historicalId) || !bindInt64(statement.get(), 2, userId)) {
        qCWarning(lcHistory) << "cannot bind:" << sqlite3_errmsg(db.get());
        return false;
    }
    return runOnce(db.get(), statement.get());
}
