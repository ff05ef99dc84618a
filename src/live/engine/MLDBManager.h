#pragma once

#include "live/engine/HistoricalRecordModel.h"
#include "live/engine/MLHistoryDatabase.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// The local history of live sessions: the table "historicalRecord" in the SQLite file
// "historicalRecord.db" of the user's Documents directory, rows of all users in one table, rows
// read and added for the user id read afresh from its source. Every operation opens its own
// connection (waiting up to kBusyTimeoutMs for another writer) and closes it before returning.
//
// A damaged file (found by the check in `createDB`, or by any operation that meets SQLITE_CORRUPT or
// SQLITE_NOTADB) is never deleted: it is renamed to "historicalRecord.db.damaged-<time>" next to
// it, a new empty history takes its place, the operation runs again once, and the notice handler is
// told once for that file. A path longer than SQLite opens fails every operation; the notice handler
// of the first store to meet it is told why, once per process for that path. One store object per
// thread.
class MLDBManager final {
public:
    using UserIdSource = std::function<qint64()>;
    using NoticeHandler = std::function<void(const QString &)>;

    // How long an operation waits for another connection's write to finish.
    static constexpr int kBusyTimeoutMs = MLHistoryDatabase::kBusyTimeoutMs;

    // The application's store: the file in the Documents directory, the user id of the session
    // store's account (0 without account details). Made on first use; `createDB` runs once, before
    // the first operation on it (or when called), so a start that never reads nor writes the history
    // (no interrupted session to add, the history page not shown) leaves the file and SQLite alone.
    static MLDBManager &getSharedInstance();

    // A store over an explicit database file and user-id source (tests, tools).
    MLDBManager(QString databasePath, UserIdSource userId);

    // Makes sure the file exists and holds the history table: creates the folder and the file when
    // missing, and adds the table to an existing file that lacks it. Existing rows are never
    // touched. False when the file cannot be opened or is not a database.
    bool createDB();
    // Adds one row for the current user. False when the row could not be written.
    bool saveData(const QString &path, qint64 type, const QString &date);
    // Adds, in one transaction, a row of `userId` for each of `rows` (path, type, date) whose path has
    // no row yet; rows already there, whoever made them, are left as they are. How many were added;
    // nothing when the history could not be written (then none was).
    std::optional<int> addMissingRows(const QList<HistoricalRecordModel> &rows, qint64 userId);
    // The current user's rows, newest first; an empty list when the user has none, nothing when
    // the database cannot be read.
    std::optional<QList<HistoricalRecordModel>> findData();
    // Removes the row with this id, whoever it belongs to. True when the deletion ran (also when no
    // such row exists), false when the database could not be changed.
    bool deleteData(qint64 historicalId);

    const QString &databasePath() const { return m_databasePath; }

    // Told, once per damaged file, that it was moved aside and a new history begun, and once per
    // process that the history's path is longer than SQLite opens.
    void setNoticeHandler(NoticeHandler handler) { m_noticeHandler = std::move(handler); }
    const NoticeHandler &noticeHandler() const { return m_noticeHandler; }

    // "historicalRecord.db" in the user's Documents directory.
    static QString defaultDatabasePath();

private:
    using Outcome = MLHistoryDatabase::Outcome;

    qint64 currentUserId() const;
    // Runs `createDB` if the store was made to prepare its file before its first operation and
    // nothing has done so yet.
    void prepareIfNeeded();
    // Runs `operation` once, and once more on a new file when it found the file damaged.
    bool runWithRepair(const std::function<Outcome()> &operation);
    Outcome checkAndCreate();
    // Moves the damaged file (and its journal) aside and makes a new history. False when it could
    // not be moved.
    bool setDamagedFileAside();
    // Tells why no operation can open the file, the first time a store of this process meets it.
    void tellPathTooLong();

    QString m_databasePath;
    UserIdSource m_userId;
    NoticeHandler m_noticeHandler;
    bool m_prepareBeforeFirstUse = false;
};
