#include "live/engine/MLDBManager.h"

#include "live/engine/MLHistoryDatabase.h"

#include "core/session/MLUserManager.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMutex>
#include <QSet>
#include <QStandardPaths>

namespace {
Q_LOGGING_CATEGORY(lcHistory, "ml.live.history")

using Outcome = MLHistoryDatabase::Outcome;
} // namespace

MLDBManager &MLDBManager::getSharedInstance() {
    static MLDBManager manager = [] {
        MLDBManager made(defaultDatabasePath(), [] { return MLUserManager::sharedManager().consumerId(); });
        made.m_prepareBeforeFirstUse = true;
        return made;
    }();
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

MLDBManager::Outcome MLDBManager::checkAndCreate() {
    const QString folder = QFileInfo(m_databasePath).absolutePath();
    if (!QDir().mkpath(folder)) {
        qCWarning(lcHistory) << "cannot create" << folder;
        return Outcome::Failed;
    }
    MLHistoryDatabase *database = MLHistoryDatabase::instance();
    return database ? database->checkAndCreate(m_databasePath) : Outcome::Failed;
}

bool MLDBManager::setDamagedFileAside() {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = QStringLiteral("%1.damaged-%2").arg(m_databasePath, stamp);
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo::exists(aside + QStringLiteral("-journal")); ++n)
        aside = QStringLiteral("%1.damaged-%2-%3").arg(m_databasePath, stamp).arg(n);
    if (!QFile::rename(m_databasePath, aside)) {
        qCWarning(lcHistory) << "cannot move the damaged history aside:" << m_databasePath;
        return false;
    }
    // A journal left by the damaged file belongs to it, never to the new one.
    for (const char *suffix : {"-journal", "-wal", "-shm"}) {
        const QString companion = m_databasePath + QLatin1String(suffix);
        if (QFileInfo::exists(companion))
            QFile::rename(companion, aside + QLatin1String(suffix));
    }
    qCWarning(lcHistory) << "the damaged history was kept as" << aside << "and a new one begun";
    if (m_noticeHandler)
        m_noticeHandler(QStringLiteral("历史记录文件已损坏，已另存为“%1”，并新建了历史记录")
                            .arg(QFileInfo(aside).fileName()));
    return true;
}

void MLDBManager::tellPathTooLong() {
    // Every session and every start's recovery meets it again; the user hears it once a start.
    static QMutex mutex;
    static QSet<QString> told;
    {
        const QMutexLocker locker(&mutex);
        if (told.contains(m_databasePath))
            return;
        told.insert(m_databasePath);
    }
    MLHistoryDatabase *database = MLHistoryDatabase::instance();
    const qsizetype longest = database ? database->longestPath() : 0;
    const qsizetype length = QFile::encodeName(QFileInfo(m_databasePath).absoluteFilePath()).size();
    qCWarning(lcHistory) << "the history path is" << length << "bytes long, SQLite opens at most" << longest
                         << ":" << m_databasePath;
    if (m_noticeHandler)
        m_noticeHandler(
            QStringLiteral("历史记录文件的路径过长（%1 字节，最多 %2 字节），历史记录无法打开和保存")
                .arg(length)
                .arg(longest));
}

bool MLDBManager::runWithRepair(const std::function<Outcome()> &operation) {
    const Outcome outcome = operation();
    if (outcome == Outcome::PathTooLong)
        tellPathTooLong();
    if (outcome != Outcome::Damaged)
        return outcome == Outcome::Done;
    if (!setDamagedFileAside() || checkAndCreate() != Outcome::Done)
        return false;
    return operation() == Outcome::Done;
}

void MLDBManager::prepareIfNeeded() {
    if (m_prepareBeforeFirstUse)
        createDB();
}

bool MLDBManager::createDB() {
    m_prepareBeforeFirstUse = false;
    return runWithRepair([this] { return checkAndCreate(); });
}

bool MLDBManager::saveData(const QString &path, qint64 type, const QString &date) {
    prepareIfNeeded();
    const qint64 userId = currentUserId();
    return runWithRepair([&] {
        MLHistoryDatabase *database = MLHistoryDatabase::instance();
        return database ? database->insert(m_databasePath, path, type, date, userId) : Outcome::Failed;
    });
}

std::optional<int> MLDBManager::addMissingRows(const QList<HistoricalRecordModel> &rows, qint64 userId) {
    prepareIfNeeded();
    int added = 0;
    const bool done = runWithRepair([&] {
        MLHistoryDatabase *database = MLHistoryDatabase::instance();
        return database ? database->insertMissing(m_databasePath, rows, userId, added) : Outcome::Failed;
    });
    return done ? std::optional(added) : std::nullopt;
}

std::optional<QList<HistoricalRecordModel>> MLDBManager::findData() {
    prepareIfNeeded();
    const qint64 userId = currentUserId();
    std::optional<QList<HistoricalRecordModel>> found;
    runWithRepair([&] {
        found.reset();
        MLHistoryDatabase *database = MLHistoryDatabase::instance();
        if (!database)
            return Outcome::Failed;
        QList<HistoricalRecordModel> rows;
        const Outcome outcome = database->select(m_databasePath, userId, rows);
        if (outcome == Outcome::Done)
            found = std::move(rows);
        return outcome;
    });
    return found;
}

bool MLDBManager::deleteData(qint64 historicalId) {
    prepareIfNeeded();
    return runWithRepair([&] {
        MLHistoryDatabase *database = MLHistoryDatabase::instance();
        return database ? database->remove(m_databasePath, historicalId) : Outcome::Failed;
    });
}
