#include "billing/MLTariffDescriptionContentView.h"

#include "billing/MLBillingLook.h"
#include "billing/MLBillingTableView.h"
#include "billing/MLTariffDescriptionCellView.h"
#include "core/net/MLNetRequestManager.h"
#include "core/security/SecurityCore.h"
#include "platform/kit/ui/MLAnchors.h"
#include "ui/widgets/MLRoundedPanelView.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QScrollArea>

MLTariffDescriptionContentView::MLTariffDescriptionContentView(QWidget *parent)
    : MLPageView(parent) {
    creatUI();
    layoutUI();
}

void MLTariffDescriptionContentView::creatUI() {
    m_bgView = new MLRoundedPanelView(MLBillingLook::color(QStringLiteral("F8FAFF")), 10, this,
                                      MLRoundedPanelView::ClipsChildren);
    m_tableView = new MLBillingTableView;
    m_tableView->setRowHeight(kRowHeight);
    m_tableView->setNumberOfRowsBlock([this] { return m_dataList ? int(m_dataList->size()) : 0; });
    m_tableView->setViewForRowBlock([this](int row) -> QWidget * {
        auto *cell = new MLTariffDescriptionCellView;
        cell->setModel(m_dataList->value(row));
        return cell;
    });
    m_scrollView = MLBillingLook::makeScrollView(m_bgView, m_tableView);
}

void MLTariffDescriptionContentView::layoutUI() {
    MLAnchors::make(m_bgView, [](MLConstraintMaker &m) { m.edges(15); });
    MLAnchors::make(m_scrollView, [](MLConstraintMaker &m) { m.edges(2); });
}

void MLTariffDescriptionContentView::networkRequest() {
    MLNetRequestManager::sharedService().postUrl(
        QStringLiteral("/expense/getExpenseListForMac"), QString(),
        [this](const QJsonObject &answer) {
            const QJsonDocument document = QJsonDocument::fromJson(
                SecurityCore::decryptString(answer.value(QStringLiteral("dt"))).toUtf8());
            if (!document.isArray()) {
                MLBillingLook::showFailure(QStringLiteral("数据格式异常"));
                return;
            }
            m_dataList = ml::json::arrayFromJson<MLTariffDescriptionModel>(document.array());
            m_tableView->reloadData();
        },
        [](const QString &message, const QString &) { MLBillingLook::showFailure(message); }, this);
}
