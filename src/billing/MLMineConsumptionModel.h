#pragma once

#include "core/model/MLJsonModel.h"

// One use of the service in the account's consumption statement.
struct MLMineConsumptionModel {
    QString orderName;
    QString consumeMoneyStr;
    QString startDateStr;
    QString translateTime;
    qint64 orderId = 0;
    QString orderNum;
    qint64 costType = 0;
    qint64 costSeo = 0;
    QString startDate;
    QString endDate;
    QString endDateStr;

    ML_MODEL(MLMineConsumptionModel, ML_FIELD(orderName), ML_FIELD(consumeMoneyStr), ML_FIELD(startDateStr),
             ML_FIELD(translateTime), ML_FIELD(orderId), ML_FIELD(orderNum), ML_FIELD(costType),
             ML_FIELD(costSeo), ML_FIELD(startDate), ML_FIELD(endDate), ML_FIELD(endDateStr))
};
