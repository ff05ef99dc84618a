#include "billing/MLStatementView.h"

#include "billing/MLBillingLook.h"
#include "billing/MLBillingTableView.h"
#include "core/net/MLEncryptOperation.h"
#include "core/net/MLNetRequestManager.h"
#include "core/security/SecurityCore.h"
#include "platform/kit/ui/MLAnchors.h"
#include "ui/widgets/MLRoundedPanelView.h"
#include "ui/widgets/NSNotDataView.h"
#include "ui/widgets/NSPagingView.h"

#include <QScrollArea>

MLStatementView::MLStatementView(const QString &requestPath, QWidget *parent)
    : MLPageView(parent)
    , m_requestPath(requestPath) {
    m_currentPageNum = 1;
    creatUI();
    layoutUI();
}

void MLStatementView::creatUI() {
    m_bgView = new MLRoundedPanelView(MLBillingLook::color(QStringLiteral("F8FAFF")), 10, this,
                                      MLRoundedPanelView::ClipsChildren);
    m_tableView = new MLBillingTableView;
    m_tableView->setRowHeight(kRowHeight);
    // The subclass is complete whenever the table asks (never during construction).
    m_tableView->setNumberOfRowsBlock([this] { return rowCount(); });
    m_tableView->setViewForRowBlock([this](int row) { return viewForRow(row); });
    m_scrollView = MLBillingLook::makeScrollView(m_bgView, m_tableView);
    m_pagingView = new NSPagingView(this);
    m_pagingView->setSeletedPageBlock([this](qint64 page) {
        m_currentPageNum = page;
        networkRequest();
    });
    m_notDataView = new NSNotDataView(this);
    m_notDataView->hide();
}

void MLStatementView::layoutUI() {
    MLAnchors::make(m_bgView, [](MLConstraintMaker &m) {
        m.top().offset(15);
        m.left().offset(15);
        m.right().offset(-15);
        m.bottom().offset(-70);
    });
    MLAnchors::make(m_scrollView, [](MLConstraintMaker &m) { m.edges(2); });
    MLAnchors::make(m_pagingView, [this](MLConstraintMaker &m) {
        m.top().equalTo(m_bgView, MLEdge::Bottom);
        m.left().equalTo(m_bgView);
        m.right().equalTo(m_bgView);
        m.height(70);
    });
    MLAnchors::make(m_notDataView, [this](MLConstraintMaker &m) { m.edges(m_bgView); });
}

void MLStatementView::networkRequest() {
    const QJsonObject parameters{{QStringLiteral("pageNum"), m_currentPageNum}};
    MLNetRequestManager::sharedService().postUrl(
        m_requestPath, MLEncryptOperation::returnRequestJsonToDic(parameters),
        [this](const QJsonObject &answer) {
            if (!takeAnswer(SecurityCore::decryptString(answer.value(QStringLiteral("dt"))))) {
                MLBillingLook::showFailure(QStringLiteral("数据格式异常"));
                return;
            }
            m_pagingView->setPaging(paging());
            m_notDataView->setHidden(rowCount() > 0);
            m_tableView->reloadData();
        },
        [](const QString &message, const QString &) { MLBillingLook::showFailure(message); }, this);
}
