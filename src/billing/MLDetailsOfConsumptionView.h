#pragma once

#include "billing/MLMineConsumptionDtOrgModel.h"
#include "billing/MLStatementView.h"
#include "billing/NSDetailsOfConsumptionCellView.h"

// The consumption statement ("消费明细"), page by page from "/cost/getExpendDetailList".
class MLDetailsOfConsumptionView final
    : public MLStatementPage<MLMineConsumptionDtOrgModel, NSDetailsOfConsumptionCellView> {
public:
    explicit MLDetailsOfConsumptionView(QWidget *parent = nullptr)
        : MLStatementPage(QStringLiteral("/cost/getExpendDetailList"), parent) {}
};
