#include "MLBillingTestSupport.h"

#include "StandinBillingRoutes.h"
#include "app/NSMainLeftToolBarView.h"
#include "app/NSMainVC.h"
#include "billing/MLBillingTableView.h"
#include "billing/MLDurationCZBarView.h"
#include "billing/MLDurationCZView.h"
#include "billing/MLIndividualCenterSetMealView.h"
#include "billing/MLIndividualCenterView.h"
#include "billing/MLMyAccountView.h"
#include "billing/MLOfferButton.h"
#include "billing/MLPointRechargeView.h"
#include "billing/MLTariffDescriptionContentView.h"
#include "billing/MLTariffDescriptionView.h"
#include "billing/MLTariffDescriptionViewToolBarView.h"
#include "platform/imageloader/MLWebImageView.h"
#include "platform/kit/ui/MLAlert.h"
#include "platform/kit/ui/MLPasteboard.h"
#include "support/MLTestMain.h"
#include "ui/widgets/MLSimultaneousInterpretationToolBarSonView.h"
#include "ui/widgets/NSNotDataView.h"

#include <QJsonArray>
#include <QPointer>
#include <QPushButton>

using namespace Qt::StringLiterals;
using ml::test::BillingHarness;
using ml::test::shownText;
using ml::test::toastTexts;

namespace {
const QString kTariffPath = u"/expense/getExpenseListForMac"_s;
const QString kOwnedPackagesPath = u"/meInfo/getMeSetmealList"_s;
const QString kTopUpPath = u"/cost/getRechargeDetailList"_s;
const QString kPointsPath = u"/pay/websitePay/getPointList"_s;
} // namespace

// The personal centre and the billing sections around it.
class TestBillingFrames : public QObject {
    Q_OBJECT
    std::unique_ptr<BillingHarness> m_harness;

private Q_SLOTS:
    void initTestCase() {
        m_harness = std::make_unique<BillingHarness>();
        QVERIFY(m_harness->isRunning());
    }
    void init() {
        m_harness->reset();
        MLAlert::clearNextResponses();
    }
    void cleanup() {
        StandinBillingRoutes::install(m_harness->server());
        m_harness->signOut();
    }

    // The header shows what the session store held when the page was made, and nothing later.
    void headerFromAccountDetails_data() {
        QTest::addColumn<bool>("details");
        QTest::addColumn<QString>("nickname");
        QTest::addColumn<QString>("accountNum");
        QTest::addColumn<QString>("nameText");
        QTest::addColumn<QString>("accountText");
        QTest::newRow("markup is text")
            << true << u"<b>x</b>"_s << u"<i>1</i>"_s << u"<b>x</b>"_s << u"账号：<i>1</i> (复制)"_s;
        QTest::newRow("no account details") << false << QString() << QString() << u"--"_s << u"--"_s;
    }
    void headerFromAccountDetails() {
        QFETCH(bool, details);
        QFETCH(QString, nickname);
        QFETCH(QString, accountNum);
        m_harness->signInDemo(false);
        if (details) {
            MLMineModel account;
            account.nickname = nickname;
            account.accountNum = accountNum;
            account.headImg = m_harness->standin().apiBaseUrl() + u"/static/icons/tariff_high.png"_s;
            MLUserManager::sharedManager().setCurrentMineUser(account);
        }
        MLIndividualCenterView page;
        QTEST(shownText(page.nameLabel()), "nameText");
        QTEST(shownText(page.accountLabel()), "accountText");
        if (details)
            QTRY_VERIFY(!page.iconImage()->isShowingPlaceholder());
        // A click on the account copies its number, when there is one.
        MLPasteboard::generalPasteboard().setString(u"before"_s);
        QTest::mouseClick(page.accountLabel(), Qt::LeftButton);
        QCOMPARE(MLPasteboard::generalPasteboard().string(), details ? accountNum : u"before"_s);
        QCOMPARE(toastTexts(&page), details ? QStringList{u"复制成功"_s} : QStringList{});

        MLMineModel other;
        other.nickname = u"别人"_s;
        other.accountNum = u"13900139000"_s;
        MLUserManager::sharedManager().setCurrentMineUser(other);
        page.refreshData();
        QTRY_COMPARE(m_harness->requests(kOwnedPackagesPath), 1);
        QTEST(shownText(page.nameLabel()), "nameText");
        QTEST(shownText(page.accountLabel()), "accountText");
    }

    void ownedPackages_data() {
        QTest::addColumn<qint64>("consumerId");
        QTest::addColumn<int>("cards");
        QTest::newRow("demo account: three packages") << qint64(10001) << 3;
        QTest::newRow("account without packages") << qint64(10002) << 0;
    }
    void ownedPackages() {
        QFETCH(qint64, consumerId);
        QFETCH(int, cards);
        MLUserManager::sharedManager().setCurrentUser(
            MLUserModel{m_harness->server().state().issueToken(consumerId)});
        MLIndividualCenterView page;
        QVERIFY(page.notDataView()->isHidden());
        page.refreshData();
        QCOMPARE(m_harness->individualCenterPosts, 1); // at once, not after the answer
        QTRY_VERIFY(page.orgModel().has_value());
        QCOMPARE(m_harness->server().lastRequest(kOwnedPackagesPath)->params,
                 (QJsonObject{{u"pageNum"_s, 1}, {u"pageSize"_s, 100}}));
        QCOMPARE(page.tableView()->numberOfRows(), cards);
        QCOMPARE(page.notDataView()->isHidden(), cards > 0);
        if (cards) {
            auto *card = qobject_cast<MLIndividualCenterSetMealView *>(page.tableView()->viewAtRow(0));
            QCOMPARE(card->timeLabel()->text(), u"剩余时长：7小时42分钟"_s);
            QTRY_VERIFY(!card->iconImage()->isShowingPlaceholder());
        }
        // A refresh that cannot reach the service still notifies, and the cards shown stay.
        m_harness->server().injectFault(kOwnedPackagesPath, StandinFault::drop());
        page.refreshData();
        QCOMPARE(m_harness->individualCenterPosts, 2);
        QTRY_VERIFY(toastTexts(m_harness->contentView()).contains(u"链接超时!"_s));
        QCOMPARE(page.tableView()->numberOfRows(), cards);
    }

    void signOut_data() {
        QTest::addColumn<int>("response");
        QTest::addColumn<bool>("signedOut");
        QTest::newRow("确定") << int(MLAlert::FirstButtonReturn) << true;
        QTest::newRow("取消") << int(MLAlert::SecondButtonReturn) << false;
    }
    void signOut() {
        QFETCH(int, response);
        QFETCH(bool, signedOut);
        m_harness->signInDemo();
        MLIndividualCenterView page;
        MLAlert::setNextResponse(response);
        QTest::mouseClick(page.loginOutBtn(), Qt::LeftButton);
        QCOMPARE(MLAlert::pendingResponseCount(), 0);
        // The sheet answers on the event loop; this call is queued after its answer.
        bool answered = false;
        QTimer::singleShot(0, &page, [&] { answered = true; });
        QTRY_VERIFY(answered);
        QCOMPARE(m_harness->logouts, signedOut ? 1 : 0);
        QCOMPARE(MLUserManager::sharedManager().currentUser().has_value(), !signedOut);
        QCOMPARE(MLUserManager::sharedManager().currentMineUser().has_value(), !signedOut);
        QCOMPARE(m_harness->requests(QString()), 0); // sign-out is local
    }

    // The tariff list is reloaded only by the section's refresh, never by its tab.
    void tariffListRefreshedOnlyByTheSection() {
        m_harness->signInDemo();
        std::unique_ptr<MLTariffDescriptionView> frame(new MLTariffDescriptionView);
        frame->refreshData(); // the main page's refresh, before the first choice
        QVERIFY(frame->existingPage(1));
        QVERIFY(!frame->pageInView());
        QTRY_COMPARE(m_harness->requests(kTariffPath), 1);
        QTRY_COMPARE(frame->pageInView(), static_cast<MLPageView *>(frame->contentView()));
        QTRY_COMPARE(frame->contentView()->tableView()->numberOfRows(), 6);
        frame->toolBar()->clickTab(1);
        QTest::mouseClick(frame->toolBar()->tariffIntroductionView(), Qt::LeftButton);
        // The refresh's answer, told apart by its single row, comes after anything the tab asked.
        m_harness->server().route(kTariffPath, [](const StandinRequest &) {
            return StandinReply::success(QJsonArray{QJsonObject{{u"title"_s, u"高精翻译"_s}}});
        });
        frame->refreshData();
        QTRY_COMPARE(frame->contentView()->tableView()->numberOfRows(), 1);
        QCOMPARE(m_harness->requests(kTariffPath), 2);
    }

    void rechargeTabsKeepPointsPageAndRefreshStatement() {
        m_harness->signInDemo();
        std::unique_ptr<MLDurationCZView> frame(new MLDurationCZView);
        QTRY_COMPARE(frame->seletedIndex(), 1);
        MLPointRechargeView *points = frame->pointRechargeView();
        QTRY_COMPARE(m_harness->requests(kPointsPath), 1);
        QTRY_COMPARE(points->buttons().size(), 9);
        points->btnClick(points->buttons().at(4));

        QTest::mouseClick(frame->toolBar()->topUpDetailsView(), Qt::LeftButton);
        QTRY_COMPARE(m_harness->requests(kTopUpPath), 1);
        frame->toolBar()->clickTab(1);
        QCOMPARE(frame->pageInView(), static_cast<MLPageView *>(points));
        QCOMPARE(points->seletedBtn()->tag(), 4); // as it was left
        frame->refreshData();                     // the main page showing the section again
        frame->toolBar()->clickTab(3);
        QTRY_COMPARE(m_harness->requests(kTopUpPath), 2);
        QCOMPARE(m_harness->requests(kPointsPath), 1); // the offers are never fetched again
        frame->refreshData();
        QTRY_COMPARE(m_harness->requests(kTopUpPath), 3);
    }

    // "套餐剩余" puts a new account section into the main page each time; each shows and refreshes
    // its own personal centre once, through its own first choice.
    void packageRemainingMakesFreshAccountSections() {
        m_harness->signInDemo();
        NSMainVC main;
        main.resize(1188, 673);
        QTRY_COMPARE(main.seletedIndex(), 1);

        main.leftBar()->setMealViewClick();
        QPointer<MLMyAccountView> first = qobject_cast<MLMyAccountView *>(main.pageInView());
        QVERIFY(first);
        QCOMPARE(main.leftBar()->seletedView(), main.leftBar()->item(4));
        QTRY_VERIFY(first->existingPage(1));
        QTRY_COMPARE(m_harness->requests(kOwnedPackagesPath), 1);
        QCOMPARE(m_harness->individualCenterPosts, 1);

        // Two clicks within 0.1 s: the first section is gone before its first choice, which was due
        // before the last one's.
        main.leftBar()->setMealViewClick();
        QPointer<MLMyAccountView> skipped = qobject_cast<MLMyAccountView *>(main.pageInView());
        main.leftBar()->setMealViewClick();
        auto *last = qobject_cast<MLMyAccountView *>(main.pageInView());
        QTRY_VERIFY(last->existingPage(1));
        QVERIFY(skipped.isNull() && first.isNull());
        QCOMPARE(m_harness->individualCenterPosts, 2);
        QTRY_COMPARE(m_harness->requests(kOwnedPackagesPath), 2);
    }
};

ML_TEST_MAIN(TestBillingFrames)
#include "tst_billingframes.moc"
