#pragma once

#include "billing/MLMineConsumptionModel.h"
#include "core/session/MLMinePageBaseModel.h"

// One page of the consumption statement ("/cost/getExpendDetailList").
struct MLMineConsumptionDtOrgModel : MLPagedListModel<MLMineConsumptionDtOrgModel, MLMineConsumptionModel> {
    static constexpr const char *modelClassName() { return "MLMineConsumptionDtOrgModel"; }
};
