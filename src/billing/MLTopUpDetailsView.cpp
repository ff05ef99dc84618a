#include "billing/MLTopUpDetailsView.h"

#include "billing/NSTopupDetailsViewCellView.h"

MLTopUpDetailsView::MLTopUpDetailsView(QWidget *parent)
    : MLStatementView(QStringLiteral("/cost/getRechargeDetailList"), parent) {}

bool MLTopUpDetailsView::takeAnswer(const QString &json) {
    auto model = ml::json::fromJson<MLMineRechargeDetailDtOrgModel>(json);
    if (!model)
        return false;
    m_dataModel = std::move(model);
    return true;
}

std::optional<MLMinePageBaseModel> MLTopUpDetailsView::paging() const {
    if (!m_dataModel)
        return std::nullopt;
    return static_cast<const MLMinePageBaseModel &>(*m_dataModel);
}

int MLTopUpDetailsView::rowCount() const {
    return m_dataModel ? int(m_dataModel->list.size()) : 0;
}

QWidget *MLTopUpDetailsView::viewForRow(int row) const {
    auto *cell = new NSTopupDetailsViewCellView;
    cell->setModel(m_dataModel->list.value(row));
    return cell;
}
