#pragma once

#include "core/model/MLJsonModel.h"

// The signed-in account from "/meInfo/getMeInfo".
struct MLMineModel {
    QString accountNum;
    QString nickname;
    QString headImg;
    QString balanceStr;
    qint64 consumerId = 0;
    QString regionCode;

    void setRegionCode(const QString &code) { regionCode = code; }

    ML_MODEL(MLMineModel, ML_FIELD(accountNum), ML_FIELD(nickname), ML_FIELD(headImg), ML_FIELD(balanceStr),
             ML_FIELD(consumerId), ML_FIELD(regionCode))
};
