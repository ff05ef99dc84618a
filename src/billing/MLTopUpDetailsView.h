#pragma once

#include "billing/MLMineRechargeDetailDtOrgModel.h"
#include "billing/MLStatementView.h"
#include "billing/NSTopupDetailsViewCellView.h"

// The top-up statement ("充值明细"), page by page from "/cost/getRechargeDetailList".
class MLTopUpDetailsView final
    : public MLStatementPage<MLMineRechargeDetailDtOrgModel, NSTopupDetailsViewCellView> {
public:
    explicit MLTopUpDetailsView(QWidget *parent = nullptr)
        : MLStatementPage(QStringLiteral("/cost/getRechargeDetailList"), parent) {}
};
