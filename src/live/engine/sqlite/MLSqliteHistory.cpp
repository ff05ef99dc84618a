// The history module (libml_history.so): MLHistoryDatabase on SQLite.
#include "live/engine/MLHistoryDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSet>

#include <sqlite3.h>

#include <memory>

namespace {
Q_LOGGING_CATEGORY(lcHistory, "ml.live.history")

using Outcome = MLHistoryDatabase::Outcome;

// Values are always bound, never written into the statement text, so any path or date is stored as
// given.
constexpr const char *kCreateSql =
    "create table if not exists historicalRecord (historicalId integer primary "
    "key, path text, type integer, date text , userId integer)";
constexpr const char *kInsertSql =
    "insert into historicalRecord (path, type, date, userId) values (?1, ?2, ?3, ?4)";
constexpr const char *kSelectSql = "select historicalId, type, path, date from historicalRecord where userId "
                                   "= ?1 order by historicalId desc";
constexpr const char *kPathsSql = "select path from historicalRecord";
constexpr const char *kDeleteSql = "delete from historicalRecord where historicalId = ?1";
constexpr const char *kCheckSql = "pragma quick_check";

struct ConnectionCloser {
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
// Declared connection first, statement second, so the statement is finalized before the close.
using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// What a file that is not (or no longer) a sound database answers.
bool isDamage(int rc) {
    return (rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB;
}

// The outcome of a failure with result code `rc`.
Outcome failure(int rc) {
    return isDamage(rc) ? Outcome::Damaged : Outcome::Failed;
}

// The outcome of a statement's last step.
Outcome outcomeOfStep(int rc) {
    return rc == SQLITE_DONE ? Outcome::Done : failure(rc);
}

// The room SQLite keeps, within its file system layer's limit on a path, for the name of a journal.
constexpr qsizetype kJournalRoom = 8;

qsizetype longestDatabasePath() {
    const sqlite3_vfs *vfs = sqlite3_vfs_find(nullptr);
    return vfs ? vfs->mxPathname - kJournalRoom : 0;
}

// The outcome of a connection that could not be opened: SQLite says only "unable to open database
// file" (and the system "No such file or directory") for a path longer than it takes.
Outcome unopened(const QString &path) {
    return QFile::encodeName(QFileInfo(path).absoluteFilePath()).size() > longestDatabasePath()
               ? Outcome::PathTooLong
               : Outcome::Failed;
}

Connection openDatabase(const QString &path, int flags) {
    sqlite3 *handle = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, flags, nullptr);
    Connection db(handle); // a failed open still hands back a handle to close
    if (rc != SQLITE_OK) {
        qCWarning(lcHistory) << "cannot open" << path << ":"
                             << (handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc));
        return nullptr;
    }
    // Another writer (a second instance, a tool) makes us wait rather than lose the row.
    sqlite3_busy_timeout(handle, MLHistoryDatabase::kBusyTimeoutMs);
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

// Steps a statement that returns no rows: SQLITE_DONE when it ran to completion, else the failing
// result code.
int runOnce(sqlite3 *db, sqlite3_stmt *statement) {
    const int rc = sqlite3_step(statement);
    if (rc != SQLITE_DONE)
        qCWarning(lcHistory) << "statement failed:" << sqlite3_errmsg(db);
    return rc == SQLITE_DONE ? SQLITE_DONE : sqlite3_errcode(db);
}
// Runs `body` (SQLITE_DONE when it ran to completion, else the failing result code) in an immediate
// transaction: the write lock is taken (waiting for another writer) before anything is read, so two
// writers never hold each other up, and what the body reads stays true until it commits.
template <class Body> int inTransaction(sqlite3 *db, Body body) {
    if (sqlite3_exec(db, "begin immediate", nullptr, nullptr, nullptr) != SQLITE_OK) {
        qCWarning(lcHistory) << "cannot begin writing:" << sqlite3_errmsg(db);
        return sqlite3_errcode(db);
    }
    int rc = body();
    if (rc == SQLITE_DONE && sqlite3_exec(db, "commit", nullptr, nullptr, nullptr) != SQLITE_OK) {
        qCWarning(lcHistory) << "cannot commit:" << sqlite3_errmsg(db);
        rc = sqlite3_errcode(db);
    }
    if (rc != SQLITE_DONE)
        sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
    return rc;
}

class SqliteHistory final : public MLHistoryDatabase {
public:
    Outcome checkAndCreate(const QString &file) override {
        const Connection db = openDatabase(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        if (!db)
            return unopened(file);
        {
            const Statement check = prepare(db.get(), kCheckSql);
            if (!check)
                return failure(sqlite3_errcode(db.get()));
            const int rc = sqlite3_step(check.get());
            if (isDamage(rc) || (rc == SQLITE_ROW && columnText(check.get(), 0) != QLatin1String("ok"))) {
                qCWarning(lcHistory) << "the history file is damaged:"
                                     << (rc == SQLITE_ROW ? columnText(check.get(), 0)
                                                          : QString::fromUtf8(sqlite3_errmsg(db.get())));
                return Outcome::Damaged;
            }
        }
        // Runs on an existing file too: a file that lost its table (or never had it) gets it back,
        // while the statement leaves an existing table and its rows alone.
        const Statement statement = prepare(db.get(), kCreateSql);
        if (!statement) {
            qCWarning(lcHistory) << "cannot create the table:" << sqlite3_errmsg(db.get());
            return failure(sqlite3_errcode(db.get()));
        }
        const int rc = runOnce(db.get(), statement.get());
        return outcomeOfStep(rc);
    }

    Outcome insert(const QString &file, const QString &path, qint64 type, const QString &date,
                   qint64 userId) override {
        // No create flag: a missing file is a failure here, not a new file without the table.
        const Connection db = openDatabase(file, SQLITE_OPEN_READWRITE);
        if (!db)
            return unopened(file);
        const Statement statement = prepare(db.get(), kInsertSql);
        if (!statement) {
            qCWarning(lcHistory) << "cannot insert:" << sqlite3_errmsg(db.get());
            return failure(sqlite3_errcode(db.get()));
        }
        if (!bindText(statement.get(), 1, path) || !bindInt64(statement.get(), 2, type) ||
            !bindText(statement.get(), 3, date) || !bindInt64(statement.get(), 4, userId)) {
            qCWarning(lcHistory) << "cannot bind:" << sqlite3_errmsg(db.get());
            return Outcome::Failed;
        }
        const int rc = inTransaction(db.get(), [&] { return runOnce(db.get(), statement.get()); });
        return outcomeOfStep(rc);
    }

    Outcome insertMissing(const QString &file, const QList<HistoricalRecordModel> &rows, qint64 userId,
                          int &added) override {
        added = 0;
        const Connection db = openDatabase(file, SQLITE_OPEN_READWRITE);
        if (!db)
            return unopened(file);
        const Statement paths = prepare(db.get(), kPathsSql);
        const Statement insert = prepare(db.get(), kInsertSql);
        if (!paths || !insert) {
            qCWarning(lcHistory) << "cannot insert:" << sqlite3_errmsg(db.get());
            return failure(sqlite3_errcode(db.get()));
        }
        int count = 0;
        const int rc = inTransaction(db.get(), [&] {
            // Read within the transaction: no other connection adds a row until it ends.
            QSet<QString> recorded;
            int step = SQLITE_OK;
            while ((step = sqlite3_step(paths.get())) == SQLITE_ROW)
                recorded.insert(columnText(paths.get(), 0));
            if (step != SQLITE_DONE)
                return sqlite3_errcode(db.get());
            for (const HistoricalRecordModel &row : rows) {
                if (recorded.contains(row.path))
                    continue;
                if (!bindText(insert.get(), 1, row.path) || !bindInt64(insert.get(), 2, row.type) ||
                    !bindText(insert.get(), 3, row.date) || !bindInt64(insert.get(), 4, userId))
                    return sqlite3_errcode(db.get());
                step = runOnce(db.get(), insert.get());
                sqlite3_reset(insert.get());
                if (step != SQLITE_DONE)
                    return step;
                recorded.insert(row.path);
                ++count;
            }
            return SQLITE_DONE;
        });
        if (rc == SQLITE_DONE)
            added = count;
        return outcomeOfStep(rc);
    }

    Outcome select(const QString &file, qint64 userId, QList<HistoricalRecordModel> &rows) override {
        rows.clear();
        const Connection db = openDatabase(file, SQLITE_OPEN_READONLY);
        if (!db)
            return unopened(file);
        const Statement statement = prepare(db.get(), kSelectSql);
        if (!statement || !bindInt64(statement.get(), 1, userId)) {
            if (isDamage(sqlite3_errcode(db.get())))
                return Outcome::Damaged;
            qCWarning(lcHistory, "Not found");
            return Outcome::Failed;
        }
        QList<HistoricalRecordModel> read;
        int rc = SQLITE_OK;
        while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
            HistoricalRecordModel row;
            row.historicalId = sqlite3_column_int64(statement.get(), 0);
            row.type = sqlite3_column_int64(statement.get(), 1);
            row.path = columnText(statement.get(), 2);
            row.date = columnText(statement.get(), 3);
            read.append(std::move(row));
        }
        if (rc != SQLITE_DONE) {
            // A read that breaks off part way gives nothing rather than a silently shortened list.
            qCWarning(lcHistory) << "reading failed:" << sqlite3_errmsg(db.get());
            return failure(rc);
        }
        rows = std::move(read);
        return Outcome::Done;
    }

    Outcome remove(const QString &file, qint64 historicalId) override {
        const Connection db = openDatabase(file, SQLITE_OPEN_READWRITE);
        if (!db)
            return unopened(file);
        const Statement statement = prepare(db.get(), kDeleteSql);
        if (!statement) {
            qCWarning(lcHistory) << "cannot delete:" << sqlite3_errmsg(db.get());
            return failure(sqlite3_errcode(db.get()));
        }
        if (!bindInt64(statement.get(), 1, historicalId)) {
            qCWarning(lcHistory) << "cannot bind:" << sqlite3_errmsg(db.get());
            return Outcome::Failed;
        }
        const int rc = inTransaction(db.get(), [&] { return runOnce(db.get(), statement.get()); });
        return outcomeOfStep(rc);
    }

    qsizetype longestPath() const override { return longestDatabasePath(); }
};

} // namespace

extern "C" Q_DECL_EXPORT MLHistoryDatabase *ml_history_database() {
    static SqliteHistory database;
    return &database;
}
