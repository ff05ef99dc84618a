#pragma once

#include "billing/MLMineRechargeDetailDtOrgModel.h"
#include "billing/MLStatementView.h"

// The top-up statement ("充值明细"), page by page from "/cost/getRechargeDetailList".
class MLTopUpDetailsView final : public MLStatementView {
    Q_OBJECT
public:
    explicit MLTopUpDetailsView(QWidget *parent = nullptr);

    const std::optional<MLMineRechargeDetailDtOrgModel> &dataModel() const { return m_dataModel; }

protected:
    bool takeAnswer(const QString &json) override;
    std::optional<MLMinePageBaseModel> paging() const override;
    int rowCount() const override;
    QWidget *viewForRow(int row) const override;

private:
    std::optional<MLMineRechargeDetailDtOrgModel> m_dataModel;
};
