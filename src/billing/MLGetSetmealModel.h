#pragma once

#include "core/model/MLJsonModel.h"

// One package offer of "/websitePay/getSetmealList". Prices stay the service's texts.
struct MLGetSetmealModel {
    qint64 setmealId = 0;
    QString setmealName;
    QString dayNum;
    QString currentPriceStr;
    QString origPriceStr;
    qint64 costType = 0;
    QString costTypeStr;
    qint64 discount = 0;
    qint64 duration = 0;
    QString setmealImg;
    qint64 setmealType = 0;
    QString setmealTypeStr;
    bool isSeleted = false; // the client's selection flag; never read from the answer

    ML_MODEL(MLGetSetmealModel, ML_FIELD(setmealId), ML_FIELD(setmealName), ML_FIELD(dayNum),
             ML_FIELD(currentPriceStr), ML_FIELD(origPriceStr), ML_FIELD(costType), ML_FIELD(costTypeStr),
             ML_FIELD(discount), ML_FIELD(duration), ML_FIELD(setmealImg), ML_FIELD(setmealType),
             ML_FIELD(setmealTypeStr))
};
