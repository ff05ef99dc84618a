#include "billing/MLSetmealRechargeView.h"

#include "billing/MLBillingLook.h"
#include "billing/MLBillingTableView.h"
#include "billing/MLOfferButton.h"
#include "billing/MLSetmealRechargeCell.h"
#include "core/net/MLNetRequestRechargeManager.h"
#include "platform/kit/ui/MLAnchors.h"

#include <QJsonArray>
#include <QScrollArea>

MLSetmealRechargeView::MLSetmealRechargeView(QWidget *parent)
    : MLRechargeBaseView(QStringLiteral("限时活动，购买套餐更优惠哦~"), parent) {
    creatUI();
    layoutUI();
    networkRequest();
}

int MLSetmealRechargeView::heightOfRow(qint64 offerCount) {
    const qint64 gridRows = offerCount > 0 ? (offerCount - 1) / MLOfferButton::kColumns : 0;
    return int(gridRows * MLOfferButton::kRowStep + MLOfferButton::kHeight + MLSetmealRechargeCell::kGridTop);
}

void MLSetmealRechargeView::creatUI() {
    m_tableView = new MLBillingTableView;
    m_tableView->setNumberOfRowsBlock([this] { return int(m_listModel.size()); });
    m_tableView->setHeightOfRowBlock(
        [this](int row) { return heightOfRow(m_listModel.value(row).setmealDetailsList.size()); });
    m_tableView->setViewForRowBlock([this](int row) { return viewForRow(row); });
    m_scrollView = MLBillingLook::makeScrollView(pointView(), m_tableView);
}

void MLSetmealRechargeView::layoutUI() {
    MLAnchors::make(pointView(), [this](MLConstraintMaker &m) {
        m.centerX();
        m.top();
        m.bottom().equalTo(buttomView(), MLEdge::Top).offset(-15);
        m.width(kGridWidth);
    });
    MLAnchors::make(m_scrollView, [](MLConstraintMaker &m) { m.edges(); });
}

QWidget *MLSetmealRechargeView::viewForRow(int row) {
    auto *cell = new MLSetmealRechargeCell;
    cell->setSetmealDidClikcBlock(
        [this, row](const MLGetSetmealModel &, qint64 index) { selectOffer(row, index); });
    cell->setModel(m_listModel.value(row));
    return cell;
}

MLSetmealRechargeCell *MLSetmealRechargeView::cellAtRow(int row) const {
    return qobject_cast<MLSetmealRechargeCell *>(m_tableView->viewAtRow(row));
}

void MLSetmealRechargeView::networkRequest() {
    MLNetRequestRechargeManager::sharedService().postUrl(
        QStringLiteral("/websitePay/getSetmealList"), QJsonObject(),
        [this](const QJsonObject &answer) {
            const QJsonValue dt = answer.value(QStringLiteral("dt"));
            if (!dt.isArray()) {
                MLBillingLook::showFailure(QStringLiteral("数据格式异常"));
                return;
            }
            m_listModel = ml::json::arrayFromJson<MLGetSetmealList>(dt);
            // Only the first category is looked at: when it is empty nothing is selected.
            if (!m_listModel.isEmpty() && !m_listModel.first().setmealDetailsList.isEmpty()) {
                MLGetSetmealModel &first = m_listModel.first().setmealDetailsList.first();
                first.isSeleted = true;
                m_seletedModel = first;
                initDefaultValue();
            }
            m_tableView->reloadData();
        },
        [](const QString &message, const QString &) { MLBillingLook::showFailure(message); }, this);
}

void MLSetmealRechargeView::selectOffer(qint64 row, qint64 index) {
    if (row < 0 || row >= m_listModel.size() || index < 0 ||
        index >= m_listModel[row].setmealDetailsList.size())
        return;
    for (MLGetSetmealList &category : m_listModel) {
        for (MLGetSetmealModel &offer : category.setmealDetailsList)
            offer.isSeleted = false;
    }
    MLGetSetmealModel &chosen = m_listModel[row].setmealDetailsList[index];
    chosen.isSeleted = true;
    m_seletedModel = chosen;
    m_tableView->reloadData();
    initDefaultValue();
}

void MLSetmealRechargeView::initDefaultValue() {
    if (m_seletedModel)
        setPrices(m_seletedModel->currentPriceStr, m_seletedModel->origPriceStr);
}

QString MLSetmealRechargeView::orderPath(bool iszfb) const {
    return iszfb ? QStringLiteral("/websitePay/createQrcodeSetmealRechargeAliOrder2")
                 : QStringLiteral("/websitePay/createQrcodeSetmealRechargeWxOrder");
}

QJsonObject MLSetmealRechargeView::orderParameters() const {
    QJsonObject parameters;
    insertText(parameters, QStringLiteral("accountNum"), currentAccountNum());
    qint64 setmealId = 0;
    if (m_seletedModel) {
        insertText(parameters, QStringLiteral("origPrice"), m_seletedModel->origPriceStr);
        insertText(parameters, QStringLiteral("currentPrice"), m_seletedModel->currentPriceStr);
        setmealId = m_seletedModel->setmealId;
    }
    parameters.insert(QStringLiteral("setmealId"), setmealId);
    return parameters;
}
