#pragma once

#include "core/model/MLJsonModel.h"

// One package that the account owns.
struct MLGetMeSetmealListList {
    QString setmealName;
    QString surplusDurationStr;
    QString endDate;
    QString icon;

    ML_MODEL(MLGetMeSetmealListList, ML_FIELD(setmealName), ML_FIELD(surplusDurationStr), ML_FIELD(endDate),
             ML_FIELD(icon))
};
