#pragma once

#include "billing/MLMineRechargeDetailModel.h"
#include "billing/MLStatementCellView.h"

// A row of the top-up statement; its bottom-right text always reads "充值成功".
class NSTopupDetailsViewCellView final : public MLStatementCellView {
    Q_OBJECT
public:
    explicit NSTopupDetailsViewCellView(QWidget *parent = nullptr);

    void setModel(const MLMineRechargeDetailModel &model);
};
