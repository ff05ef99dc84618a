#pragma once

#include "billing/MLGetMeSetmealListList.h"
#include "core/session/MLMinePageBaseModel.h"

// The answer of "/meInfo/getMeSetmealList": paging fields and the owned packages of the page.
struct MLGetMeSetmealDtOrgModel : MLPagedListModel<MLGetMeSetmealDtOrgModel, MLGetMeSetmealListList> {
    static constexpr const char *modelClassName() { return "MLGetMeSetmealDtOrgModel"; }
};
