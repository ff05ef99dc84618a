#pragma once

#include "app/AppDelegate.h"
#include "core/session/MLUserManager.h"
#include "platform/kit/MLNotificationCenter.h"
#include "support/StandinFixture.h"
#include "support/ToastTexts.h"
#include "ui/widgets/MBProgressHUD.h"

#include <QLabel>
#include <QTextDocument>
#include <QtTest>

#include <memory>

namespace ml::test {

// The billing pages against the stand-in: the service on loopback, an application window whose
// content view takes the toasts and payment overlays, and counters of the notifications that the pages
// post. Make one in initTestCase.
class BillingHarness final {
public:
    BillingHarness() {
        // The window is built before anyone signs in, so it holds the sign-in page and makes no request.
        m_delegate.creatUI();
        auto &center = MLNotificationCenter::defaultCenter();
        center.addObserver(&m_observer, QStringLiteral("NotificationUSERLOGOUT"),
                           [this](const MLNotification &) { ++logouts; });
        center.addObserver(&m_observer, QStringLiteral("NotificationIndividualCenterKey"),
                           [this](const MLNotification &) { ++individualCenterPosts; });
    }

    bool isRunning() const { return m_standin.isRunning(); }
    StandinServer &server() { return m_standin.server(); }
    StandinFixture &standin() { return m_standin; }
    QWidget *contentView() const { return m_delegate.contentView(); }

    // Signs the demo account in, with its account details loaded as the main page would have them.
    void signInDemo(bool withAccountDetails = true) {
        m_standin.signInDemo();
        StandinAccount *account = server().state().accountForToken(m_standin.demoToken());
        MLUserManager::sharedManager().setCurrentMineUser(
            withAccountDetails && account ? std::optional<MLMineModel>(account->profile) : std::nullopt);
    }
    void signOut() {
        MLUserManager::sharedManager().logoutBlock(nullptr);
        MLUserManager::sharedManager().setCurrentMineUser(std::nullopt);
    }

    // Forgets the counters, the request log, pending faults and the toasts.
    void reset() {
        logouts = 0;
        individualCenterPosts = 0;
        server().clearReceivedRequests();
        server().clearFaults();
        qDeleteAll(contentView()->findChildren<MBProgressHUD *>(QString(), Qt::FindDirectChildrenOnly));
    }

    int requests(const QString &path) { return int(server().receivedRequests(path).size()); }

    int logouts = 0;
    int individualCenterPosts = 0;

private:
    StandinFixture m_standin;
    AppDelegate m_delegate;
    QObject m_observer;
};

// The text a label shows, markup removed.
inline QString shownText(const QLabel *label) {
    if (label->textFormat() != Qt::RichText)
        return label->text();
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText();
}

} // namespace ml::test
