#pragma once

#include <QString>

// One finished live session in the local history: the row id, the tier (1 recognition only,
// 2 normal, 3 high precision, 4 low price), the session folder relative to the Documents directory
// and the stop time as milliseconds since 1970 in decimal text.
struct HistoricalRecordModel {
    qint64 historicalId = 0;
    qint64 type = 0;
    QString path;
    QString date;

    friend bool operator==(const HistoricalRecordModel &, const HistoricalRecordModel &) = default;
};
