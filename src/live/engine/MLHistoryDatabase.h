#pragma once

#include "live/engine/HistoricalRecordModel.h"

#include <QList>
#include <QString>

// The SQLite side of the history store (MLDBManager): the statements on the table
// "historicalRecord", each on a connection of its own that waits up to kBusyTimeoutMs for another
// writer and is closed before the call returns. It lives in a module of its own (libml_history.so,
// built from src/live/engine/sqlite/, see MLModule) that the store loads before its first
// operation, so a start that neither reads nor writes the history never loads SQLite.
class MLHistoryDatabase {
public:
    // What a statement came to; Damaged for a file that is not (or no longer) a sound database,
    // PathTooLong for a file whose path is longer than `longestPath`, which SQLite does not open.
    enum class Outcome { Done, Failed, Damaged, PathTooLong };

    static constexpr int kBusyTimeoutMs = 5000;

    virtual ~MLHistoryDatabase() = default;

    // Opens the file, creating it when missing, runs "pragma quick_check" and adds the table when it
    // lacks it; existing rows are never touched.
    virtual Outcome checkAndCreate(const QString &file) = 0;
    // Adds one row; a missing file is a failure, not a new file.
    virtual Outcome insert(const QString &file, const QString &path, qint64 type, const QString &date,
                           qint64 userId) = 0;
    // Adds, in one transaction, a row of `userId` for each of `rows` (path, type, date) whose path has
    // no row yet, telling how many in `added`; nothing is added unless Done.
    virtual Outcome insertMissing(const QString &file, const QList<HistoricalRecordModel> &rows,
                                  qint64 userId, int &added) = 0;
    // The user's rows, newest first, into `rows` (left empty unless Done).
    virtual Outcome select(const QString &file, qint64 userId, QList<HistoricalRecordModel> &rows) = 0;
    // Removes the row with this id, whoever it belongs to; Done also when there is no such row.
    virtual Outcome remove(const QString &file, qint64 historicalId) = 0;

    // The longest absolute path of a database file, in bytes of the file system's encoding, that
    // SQLite opens: its file system layer's limit less the room it keeps for a journal's name.
    virtual qsizetype longestPath() const = 0;

    // The module, loaded on the first call; nullptr, with a warning logged once, when it cannot be
    // loaded. `error` then tells why.
    static MLHistoryDatabase *instance(QString *error = nullptr);
};

// The one entry point of the module.
extern "C" MLHistoryDatabase *ml_history_database();
