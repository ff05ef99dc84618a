#pragma once

#include "live/engine/HistoricalRecordModel.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// The local history of live sessions: the table "historicalRecord" in the SQLite file
// "historicalRecord.db" of the user's Documents directory, rows of all users in one table, each
// operation scoped to the user id read afresh from its source. Every operation opens its own
// connection and closes it before returning. Main thread only.
class MLDBManager final {
public:
    using UserIdSource = std::function<qint64()>;

    // The application's store: the file in the Documents directory, the user id of the session
    // store's account (0 without account details). Made on first use, with `createDB` run once.
    static MLDBManager &getSharedInstance();

    // A store over an explicit database file and user-id source (tests, tools).
    MLDBManager(QString databasePath, UserIdSource userId);

    // Makes sure the file exists and holds the history table: creates the folder and the file when
    // missing, and adds the table to an existing file that lacks it. Existing rows are never
    // touched. False when the file cannot be opened or is not a database.
    bool createDB();
    // Adds one row for the current user. False when the row could not be written.
    bool saveData(const QString &path, qint64 type, const QString &date);
    // The current user's rows, newest first; an empty list when the user has none, nothing when
    // the database cannot be read.
    std::optional<QList<HistoricalRecordModel>> findData();
    // Removes the row with this id when it belongs to the current user. True when the deletion ran
    // (also when no such row of this user exists), false when the database could not be changed.
    bool deleteData(qint64 historicalId);

    const QString &databasePath() const { return m_databasePath; }

    // "historicalRecord.db" in the user's Documents directory.
    static QString defaultDatabasePath();

private:
    qint64 currentUserId() const;

    QString m_databasePath;
    UserIdSource m_userId;
};
