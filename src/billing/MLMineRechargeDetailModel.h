#pragma once

#include "core/model/MLJsonModel.h"

// One top-up of the account's top-up statement.
struct MLMineRechargeDetailModel {
    QString rechargeTypeStr;
    QString rechargeMoneyStr;
    QString createTimeStr;
    qint64 rechargeId = 0;
    qint64 rechargeType = 0;
    QString createTime;
    QString balanceStr;

    ML_MODEL(MLMineRechargeDetailModel, ML_FIELD(rechargeTypeStr), ML_FIELD(rechargeMoneyStr),
             ML_FIELD(createTimeStr), ML_FIELD(rechargeId), ML_FIELD(rechargeType), ML_FIELD(createTime),
             ML_FIELD(balanceStr))
};
