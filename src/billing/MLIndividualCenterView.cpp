#include "billing/MLIndividualCenterView.h"

#include "billing/MLBillingLook.h"
#include "billing/MLBillingTableView.h"
#include "billing/MLIndividualCenterSetMealView.h"
#include "core/net/MLEncryptOperation.h"
#include "core/net/MLNetRequestManager.h"
#include "core/session/MLUserManager.h"
#include "platform/imageloader/MLWebImageView.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"
#include "platform/kit/ui/MLAlert.h"
#include "platform/kit/ui/MLAnchors.h"
#include "platform/kit/ui/MLClickRecognizer.h"
#include "platform/kit/ui/MLPasteboard.h"
#include "ui/widgets/MLLook.h"
#include "ui/widgets/MLRoundedPanelView.h"
#include "ui/widgets/MLToast.h"
#include "ui/widgets/NSNotDataView.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

MLIndividualCenterView::MLIndividualCenterView(QWidget *parent)
    : MLPageView(parent) {
    creatUI();
    layoutUI();
    bindAction();
}

void MLIndividualCenterView::creatUI() {
    m_bgView = new MLRoundedPanelView(MLBillingLook::color(QStringLiteral("F8FAFF")), 10, this,
                                      MLRoundedPanelView::ClipsChildren);
    m_contentView = new MLRoundedPanelView(MLBillingLook::color(QStringLiteral("FFFFFF")), 10, m_bgView,
                                           MLRoundedPanelView::ClipsChildren);
    m_topView = new MLRoundedPanelView(MLBillingLook::color(QStringLiteral("EEEEFF")), 10, m_contentView,
                                       MLRoundedPanelView::ClipsChildren);
    m_iconImage = new MLWebImageView(m_topView);
    m_iconImage->setCornerRadius(27);
    m_nameLabel = MLLook::makeLabel(m_topView, 14, QStringLiteral("#8C8C8C"), QStringLiteral("--"));
    m_accountLabel = MLLook::makeLabel(m_topView, 14, QStringLiteral("#8C8C8C"), QStringLiteral("--"));
    m_loginOutBtn = new QPushButton(QStringLiteral("退出登录"), m_topView);
    m_loginOutBtn->setFont(MLLook::systemFont(17));
    m_loginOutBtn->setFocusPolicy(Qt::NoFocus);
    m_loginOutBtn->setCursor(Qt::PointingHandCursor);
    m_loginOutBtn->setStyleSheet(QStringLiteral(
        "QPushButton { color: #6C62FE; background: #D1D0FF; border: none; border-radius: 16px; }"));

    m_packageListImage = new MLWebImageView(m_contentView);
    m_packageListImage->setImageNamed(QStringLiteral("setMeal_icon"));
    m_packageListLabel =
        MLLook::makeLabel(m_contentView, 14, QStringLiteral("#417CFF"), QStringLiteral("已购买套餐"));

    m_tableView = new MLBillingTableView;
    m_tableView->setRowHeight(110);
    m_tableView->setNumberOfRowsBlock([this] { return m_orgModel ? int(m_orgModel->list.size()) : 0; });
    m_tableView->setViewForRowBlock([this](int row) -> QWidget * {
        auto *card = new MLIndividualCenterSetMealView;
        card->setModel(m_orgModel->list.value(row));
        return card;
    });
    m_scrollView = MLBillingLook::makeScrollView(m_contentView, m_tableView);
    m_notDataView = new NSNotDataView(m_contentView);
    m_notDataView->hide();
}

void MLIndividualCenterView::layoutUI() {
    MLAnchors::make(m_bgView, [](MLConstraintMaker &m) { m.edges(15); });
    MLAnchors::make(m_contentView, [](MLConstraintMaker &m) { m.edges(2); });
    MLAnchors::make(m_topView, [](MLConstraintMaker &m) {
        m.top().offset(20);
        m.left().offset(20);
        m.right().offset(-20);
        m.height(132);
    });
    MLAnchors::make(m_iconImage, [](MLConstraintMaker &m) {
        m.left().offset(35);
        m.centerY();
        m.size(55, 55);
    });
    MLAnchors::make(m_nameLabel, [this](MLConstraintMaker &m) {
        m.top().equalTo(m_iconImage, MLEdge::Top).offset(5);
        m.left().equalTo(m_iconImage, MLEdge::Right).offset(6);
    });
    MLAnchors::make(m_accountLabel, [this](MLConstraintMaker &m) {
        m.bottom().equalTo(m_iconImage, MLEdge::Bottom).offset(-5);
        m.left().equalTo(m_nameLabel);
    });
    MLAnchors::make(m_loginOutBtn, [](MLConstraintMaker &m) {
        m.right().offset(-46);
        m.bottom().offset(-30);
        m.size(130, 32);
    });
    MLAnchors::make(m_packageListLabel, [this](MLConstraintMaker &m) {
        m.top().equalTo(m_topView, MLEdge::Bottom).offset(20);
        // 5 right of the 22-point icon at 20 (stated from the parent: the icon follows the label).
        m.left().offset(20 + 22 + 5);
    });
    MLAnchors::make(m_packageListImage, [this](MLConstraintMaker &m) {
        m.left().offset(20);
        m.centerY().equalTo(m_packageListLabel);
        m.size(22, 22);
    });
    MLAnchors::make(m_scrollView, [this](MLConstraintMaker &m) {
        m.top().equalTo(m_topView, MLEdge::Bottom).offset(53);
        m.left();
        m.right();
        m.bottom();
    });
    MLAnchors::make(m_notDataView, [this](MLConstraintMaker &m) { m.edges(m_scrollView); });
}

void MLIndividualCenterView::bindAction() {
    const std::optional<MLMineModel> &account = MLUserManager::sharedManager().currentMineUser();
    const QString headImg = account ? account->headImg : QString();
    m_iconImage->setImageWithURL(QUrl(headImg), QStringLiteral("iconUserImage"));
    if (account && !account->nickname.isEmpty())
        m_nameLabel->setText(account->nickname);
    if (account && !account->accountNum.isEmpty()) {
        m_accountLabel->setTextFormat(Qt::RichText);
        m_accountLabel->setText(
            QStringLiteral("账号：%1 <span style=\"font-size:12px; color:#0385ff\">(复制)</span>")
                .arg(MLBillingLook::escaped(account->accountNum)));
    }
    m_accountLabel->setCursor(Qt::PointingHandCursor);
    MLClickRecognizer::attach(m_accountLabel, this, [this] { copyClick(); });
    MLClickRecognizer::attach(m_loginOutBtn, this, [this] { loginOutClick(); });
}

void MLIndividualCenterView::refreshData() {
    networkRequest();
    MLNotificationCenter::defaultCenter().postNotificationName(MLNotificationNames::kIndividualCenter);
}

void MLIndividualCenterView::networkRequest() {
    const QJsonObject parameters{{QStringLiteral("pageNum"), 1}, {QStringLiteral("pageSize"), kPageSize}};
    const MLFailureBlock showFailure = [](const QString &message, const QString &) {
        MLBillingLook::showFailure(message);
    };
    MLNetRequestManager::sharedService().postUrl(
        QStringLiteral("/meInfo/getMeSetmealList"), MLEncryptOperation::returnRequestJsonToDic(parameters),
        MLNetRequestManager::decryptedModel<MLGetMeSetmealDtOrgModel>(
            [this](const MLGetMeSetmealDtOrgModel &model) {
                m_orgModel = model;
                m_notDataView->setHidden(!m_orgModel->list.isEmpty());
                m_tableView->reloadData();
            },
            showFailure),
        showFailure, this);
}

void MLIndividualCenterView::copyClick() {
    const std::optional<MLMineModel> &account = MLUserManager::sharedManager().currentMineUser();
    if (!account || account->accountNum.isEmpty())
        return;
    MLPasteboard &pasteboard = MLPasteboard::generalPasteboard();
    pasteboard.clearContents();
    pasteboard.setString(account->accountNum);
    MLToast::makeToast(this, QStringLiteral("复制成功"), 1.0);
}

void MLIndividualCenterView::loginOutClick() {
    MLAlert alert;
    alert.addButtonWithTitle(QStringLiteral("确定"));
    alert.addButtonWithTitle(QStringLiteral("取消"));
    alert.setMessageText(QStringLiteral("确定退出登录？"));
    alert.beginSheetModalForWindow(window(), [](int response) {
        if (response != MLAlert::FirstButtonReturn)
            return;
        MLUserManager &users = MLUserManager::sharedManager();
        // The account details belong to the session that ends: a later sign-in must not show them or
        // put them on its orders before its own account has been fetched.
        users.setCurrentMineUser(std::nullopt);
        users.logoutBlock([](bool) {
            MLNotificationCenter::defaultCenter().postNotificationName(MLNotificationNames::kUserLogout);
        });
    });
}
