#pragma once

#include "billing/MLGetSetmealModel.h"

// One package category: its title and its offers in the order shown.
struct MLGetSetmealList {
    QString title;
    QList<MLGetSetmealModel> setmealDetailsList;

    ML_MODEL(MLGetSetmealList, ML_FIELD(title), ML_FIELD(setmealDetailsList))
};
