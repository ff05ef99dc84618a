#include "billing/MLDetailsOfConsumptionView.h"

#include "billing/NSDetailsOfConsumptionCellView.h"

MLDetailsOfConsumptionView::MLDetailsOfConsumptionView(QWidget *parent)
    : MLStatementView(QStringLiteral("/cost/getExpendDetailList"), parent) {}

bool MLDetailsOfConsumptionView::takeAnswer(const QString &json) {
    auto model = ml::json::fromJson<MLMineConsumptionDtOrgModel>(json);
    if (!model)
        return false;
    m_dataModel = std::move(model);
    return true;
}

std::optional<MLMinePageBaseModel> MLDetailsOfConsumptionView::paging() const {
    if (!m_dataModel)
        return std::nullopt;
    return static_cast<const MLMinePageBaseModel &>(*m_dataModel);
}

int MLDetailsOfConsumptionView::rowCount() const {
    return m_dataModel ? int(m_dataModel->list.size()) : 0;
}

QWidget *MLDetailsOfConsumptionView::viewForRow(int row) const {
    auto *cell = new NSDetailsOfConsumptionCellView;
    cell->setModel(m_dataModel->list.value(row));
    return cell;
}
