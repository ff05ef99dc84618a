#include "files/MLJobHistoryView.h"

#include "core/net/MLEncryptOperation.h"
#include "core/net/MLNetRequestManager.h"
#include "core/security/SecurityCore.h"
#include "files/MLFilesHost.h"
#include "platform/kit/ui/MLAnchors.h"
#include "platform/kit/ui/MLClickRecognizer.h"
#include "ui/util/MLColorUtils.h"
#include "ui/widgets/MBProgressHUD.h"
#include "ui/widgets/MLLook.h"
#include "ui/widgets/MLRoundedPanelView.h"
#include "ui/widgets/MLToast.h"
#include "ui/widgets/NSNotDataView.h"
#include "ui/widgets/NSPagingView.h"

#include <QHeaderView>
#include <QJsonObject>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>

MLJobHistoryView::MLJobHistoryView(const QString &servicePath, const QString &tip, QWidget *headView,
                                   QWidget *parent)
    : MLPageView(parent)
    , m_servicePath(servicePath) {
    creatUI(tip, headView);
    layoutUI();
    bindAction();
}

void MLJobHistoryView::creatUI(const QString &tip, QWidget *headView) {
    m_bgView = new MLRoundedPanelView(MLColorUtils::colorWithHexString(QStringLiteral("F8FAFF")), 10, this);
    m_contentView = new MLRoundedPanelView(Qt::white, 10, m_bgView);

    m_refreshBtn = new QPushButton(QStringLiteral("刷新"), m_contentView);
    m_refreshBtn->setFocusPolicy(Qt::NoFocus);
    m_refreshBtn->setCursor(Qt::PointingHandCursor);
    m_refreshBtn->setFont(MLLook::systemFont(15));
    m_refreshBtn->setStyleSheet(QStringLiteral(
        "QPushButton { color: white; background-color: #0085FF; border: none; border-radius: 8px; }"));

    m_tipLabel = MLLook::makeLabel(m_contentView, 12, QStringLiteral("#FF0000"), tip);
    m_tipLabel->setAlignment(Qt::AlignCenter);

    m_headView = headView;
    m_headView->setParent(m_contentView);

    m_tableView = new QTableWidget(0, 1, m_contentView);
    m_tableView->setObjectName(QStringLiteral("examColumn0"));
    m_tableView->horizontalHeader()->hide();
    m_tableView->horizontalHeader()->setStretchLastSection(true);
    m_tableView->verticalHeader()->hide();
    m_tableView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_tableView->verticalHeader()->setDefaultSectionSize(50);
    m_tableView->setSelectionMode(QAbstractItemView::NoSelection);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setFocusPolicy(Qt::NoFocus);
    m_tableView->setShowGrid(false);
    m_tableView->setFrameShape(QFrame::NoFrame);
    m_tableView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_tableView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // A clear table (a style sheet here would override the rows' own colours).
    QPalette clear = m_tableView->palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    m_tableView->setPalette(clear);
    m_tableView->viewport()->setAutoFillBackground(false);
    // Corner radius 10, clipped: the scroll bar keeps inside the panel's rounded corner.
    MLRoundedPanelView::clipToRoundedRect(m_tableView, 10);

    // Added after the table, so that it lies over it.
    m_notDataView = new NSNotDataView(m_contentView);
    m_notDataView->hide();

    m_pagingView = new NSPagingView(this);
}

void MLJobHistoryView::layoutUI() {
    MLAnchors::make(m_bgView, [](MLConstraintMaker &m) {
        m.top().offset(15);
        m.left().offset(15);
        m.right().offset(-15);
        m.bottom().offset(-70);
    });
    MLAnchors::make(m_contentView, [](MLConstraintMaker &m) { m.edges(2); });
    MLAnchors::make(m_refreshBtn, [](MLConstraintMaker &m) {
        m.top().offset(10);
        m.right().offset(-20);
        m.size(80, 30);
    });
    MLAnchors::make(m_tipLabel, [this](MLConstraintMaker &m) {
        m.right().equalTo(m_refreshBtn, MLEdge::Left).offset(-10);
        m.centerY().equalTo(m_refreshBtn);
    });
    MLAnchors::make(m_headView, [](MLConstraintMaker &m) {
        m.top().offset(50);
        m.left();
        m.right();
        m.height(40);
    });
    MLAnchors::make(m_tableView, [this](MLConstraintMaker &m) {
        m.top().equalTo(m_headView, MLEdge::Bottom);
        m.left();
        m.right();
        m.bottom();
    });
    MLAnchors::make(m_notDataView, [this](MLConstraintMaker &m) { m.edges(m_tableView); });
    MLAnchors::make(m_pagingView, [this](MLConstraintMaker &m) {
        m.top().equalTo(m_bgView, MLEdge::Bottom);
        m.left().equalTo(m_bgView);
        m.right().equalTo(m_bgView);
        m.height(70);
    });
}

void MLJobHistoryView::bindAction() {
    MLClickRecognizer::attach(m_refreshBtn, this, [this] { refreshClick(); });
    QPointer<MLJobHistoryView> self(this);
    m_pagingView->setSeletedPageBlock([self](qint64 page) {
        if (!self)
            return;
        self->m_currentPageNum = page;
        self->networkRequest();
    });
}

void MLJobHistoryView::refreshData() {
    m_currentPageNum = 1;
    networkRequest();
}

void MLJobHistoryView::refreshClick() {
    m_currentPageNum = 1;
    networkRequest(MBProgressHUD::showHUDAddedTo(this, true));
}

void MLJobHistoryView::networkRequest(const QPointer<MBProgressHUD> &hud) {
    const QJsonObject parameters{{QStringLiteral("pageNum"), m_currentPageNum}};
    MLNetRequestManager::sharedService().postUrl(
        m_servicePath, MLEncryptOperation::returnRequestJsonToDic(parameters),
        [this, hud](const QJsonObject &answer) {
            const QString json = SecurityCore::decryptString(answer.value(QStringLiteral("dt")));
            MBProgressHUD::hideHUD(hud, false);
            setDataModelFromJson(json);
            m_pagingView->setPaging(paging());
            m_notDataView->setVisible(listCount() == 0);
            reloadData();
        },
        [this, hud](const QString &message, const QString &) {
            MBProgressHUD::hideHUD(hud, false);
            MLToast::makeToast(MLFilesHost::contentView(this), message, 1.0);
        },
        this);
}

void MLJobHistoryView::reloadData() {
    m_tableView->clearContents();
    const int rows = listCount();
    m_tableView->setRowCount(rows);
    for (int row = 0; row < rows; ++row)
        m_tableView->setCellWidget(row, 0, makeRowView(row));
}

QWidget *MLJobHistoryView::rowView(int row) const {
    return m_tableView->cellWidget(row, 0);
}
