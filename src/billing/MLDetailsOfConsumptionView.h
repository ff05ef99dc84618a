#pragma once

#include "billing/MLMineConsumptionDtOrgModel.h"
#include "billing/MLStatementView.h"

// The consumption statement ("消费明细"), page by page from "/cost/getExpendDetailList".
class MLDetailsOfConsumptionView final : public MLStatementView {
    Q_OBJECT
public:
    explicit MLDetailsOfConsumptionView(QWidget *parent = nullptr);

    const std::optional<MLMineConsumptionDtOrgModel> &dataModel() const { return m_dataModel; }

protected:
    bool takeAnswer(const QString &json) override;
    std::optional<MLMinePageBaseModel> paging() const override;
    int rowCount() const override;
    QWidget *viewForRow(int row) const override;

private:
    std::optional<MLMineConsumptionDtOrgModel> m_dataModel;
};
