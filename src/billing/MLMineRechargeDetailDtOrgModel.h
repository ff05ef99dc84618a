#pragma once

#include "billing/MLMineRechargeDetailModel.h"
#include "core/session/MLMinePageBaseModel.h"

// One page of the top-up statement ("/cost/getRechargeDetailList").
struct MLMineRechargeDetailDtOrgModel
    : MLPagedListModel<MLMineRechargeDetailDtOrgModel, MLMineRechargeDetailModel> {
    static constexpr const char *modelClassName() { return "MLMineRechargeDetailDtOrgModel"; }
};
