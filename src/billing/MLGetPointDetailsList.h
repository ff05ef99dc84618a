#pragma once

#include "core/model/MLJsonModel.h"

// One point offer. Counts and prices stay the service's texts.
struct MLGetPointDetailsList {
    qint64 pointId = 0;
    QString pointStr;
    QString payMoneyStr;
    QString priceStr;
    QString discountStr;
    QString pointDesc;

    ML_MODEL(MLGetPointDetailsList, ML_FIELD(pointId), ML_FIELD(pointStr), ML_FIELD(payMoneyStr),
             ML_FIELD(priceStr), ML_FIELD(discountStr), ML_FIELD(pointDesc))
};
