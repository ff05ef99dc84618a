#include "app/NSMainVC.h"

#include "app/AppDelegate.h"
#include "app/MLMainSections.h"
#include "app/NSMainLeftToolBarView.h"
#include "core/session/MLMineModel.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"

namespace {
constexpr int kMyAccountEntry = 4;
}

NSMainVC::NSMainVC(QWidget *parent)
    : MLSectionFrame(new NSMainLeftToolBarView, MLMainSections::factories(), parent) {
    bindAction();
}

NSMainLeftToolBarView *NSMainVC::leftBar() const {
    return static_cast<NSMainLeftToolBarView *>(leftView());
}

void NSMainVC::bindAction() {
    leftBar()->setDidRefreshBlock([this] { getUserInfo(); });
    leftBar()->setDidMyAccountBlock([this] {
        const auto factories = MLMainSections::factories();
        const auto &factory = factories.value(kMyAccountEntry - 1);
        showTransientPage(factory ? factory() : nullptr);
    });
    MLNotificationCenter::defaultCenter().addObserver(this, MLNotificationNames::kIndividualCenter,
                                                      [this](const MLNotification &) { getUserInfo(); });
}

void NSMainVC::getUserInfo() {
    AppDelegate *delegate = AppDelegate::shared();
    if (!delegate)
        return;
    delegate->requestMineNetworkSuccess(
        this, [this](const MLMineModel &account) { leftBar()->setBalance(account.balanceStr); }, nullptr);
}

void NSMainVC::showEvent(QShowEvent *event) {
    MLSectionFrame::showEvent(event);
    getUserInfo();
}
