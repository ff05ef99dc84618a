#pragma once

#include "billing/MLGetPointDetailsList.h"

#include <QJsonArray>

// The whole point-offer answer of "/websitePay/getPointList": the offers in groups, kept as the raw
// nested arrays, and `pointList`, all offers of all groups flattened in order (built by the client).
struct MLGetPointDetailsModel {
    QString desc;
    QJsonArray pointDetailsList;
    QList<MLGetPointDetailsList> pointList;

    // Fills `pointList` afresh from `pointDetailsList`, group after group. Groups that are not arrays
    // and offers that are not objects are skipped.
    void flattenPointList() {
        pointList.clear();
        for (const QJsonValue &group : std::as_const(pointDetailsList)) {
            if (group.isArray())
                pointList.append(ml::json::arrayFromJson<MLGetPointDetailsList>(group.toArray()));
        }
    }

    ML_MODEL(MLGetPointDetailsModel, ML_FIELD_KEY(desc, "description"), ML_FIELD(pointDetailsList))
};
