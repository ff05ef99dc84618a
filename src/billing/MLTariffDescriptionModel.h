#pragma once

#include "core/model/MLJsonModel.h"

// One tariff of "/expense/getExpenseListForMac".
struct MLTariffDescriptionModel {
    QString title;
    QString explains;
    QString iconImage;
    QString costDescribe;
    qint64 costType = 0;
    qint64 recommendSts = 0;

    ML_MODEL(MLTariffDescriptionModel, ML_FIELD(title), ML_FIELD(explains), ML_FIELD(iconImage),
             ML_FIELD(costDescribe), ML_FIELD(costType), ML_FIELD(recommendSts))
};
