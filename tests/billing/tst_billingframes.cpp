#include "MLBillingTestSupport.h"

#include "app/NSMainLeftToolBarView.h"
#include "app/NSMainVC.h"
#include "billing/MLDetailsOfConsumptionView.h"
#include "billing/MLDurationCZBarView.h"
#include "billing/MLDurationCZView.h"
#include "billing/MLIndividualCenterView.h"
#include "billing/MLMyAccountToolBarView.h"
#include "billing/MLMyAccountView.h"
#include "billing/MLOfferButton.h"
#include "billing/MLPointRechargeView.h"
#include "billing/MLTariffDescriptionContentView.h"
#include "billing/MLTariffDescriptionView.h"
#include "billing/MLTariffDescriptionViewToolBarView.h"
#include "billing/MLTopUpDetailsView.h"
#include "support/MLTestMain.h"
#include "ui/widgets/MLSimultaneousInterpretationToolBarSonView.h"

#include <QPointer>

using ml::test::BillingHarness;

namespace {

enum class Section { Recharge, Account, Tariff };

MLSectionFrame *makeSection(Section section) {
    switch (section) {
    case Section::Recharge:
        return new MLDurationCZView;
    case Section::Account:
        return new MLMyAccountView;
    case Section::Tariff:
        return new MLTariffDescriptionView;
    }
    return nullptr;
}

const QString kTariffPath = QStringLiteral("/expense/getExpenseListForMac");
const QString kOwnedPackagesPath = QStringLiteral("/meInfo/getMeSetmealList");
const QString kTopUpPath = QStringLiteral("/cost/getRechargeDetailList");
const QString kPointsPath = QStringLiteral("/pay/websitePay/getPointList");

} // namespace

class TestBillingFrames : public QObject {
    Q_OBJECT
    std::unique_ptr<BillingHarness> m_harness;

private Q_SLOTS:
    void initTestCase() {
        m_harness = std::make_unique<BillingHarness>();
        QVERIFY(m_harness->isRunning());
    }
    void init() { m_harness->reset(); }
    void cleanup() { m_harness->signOut(); }

    // The billing bars choose their first tab without a sign-in test.
    void firstTabShownWithAndWithoutUser_data() {
        QTest::addColumn<int>("section");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QString>("pageClass");
        for (bool signedIn : {true, false}) {
            const char *who = signedIn ? "signed in" : "no user";
            QTest::addRow("recharge, %s", who)
                << int(Section::Recharge) << signedIn << QString::fromLatin1("MLPointRechargeView");
            QTest::addRow("account, %s", who)
                << int(Section::Account) << signedIn << QString::fromLatin1("MLIndividualCenterView");
            QTest::addRow("tariff, %s", who)
                << int(Section::Tariff) << signedIn << QString::fromLatin1("MLTariffDescriptionContentView");
        }
    }
    void firstTabShownWithAndWithoutUser() {
        QFETCH(int, section);
        QFETCH(bool, signedIn);
        QFETCH(QString, pageClass);
        if (signedIn)
            m_harness->signInDemo();
        std::unique_ptr<MLSectionFrame> frame(makeSection(Section(section)));
        frame->resize(1039, 673);
        QVERIFY(!frame->pageInView());
        QTRY_VERIFY(frame->pageInView());
        QCOMPARE(QString::fromLatin1(frame->pageInView()->metaObject()->className()), pageClass);
    }

    void clickNeedingUserWithoutOne_data() {
        QTest::addColumn<int>("section");
        QTest::addColumn<qint64>("tab");
        QTest::newRow("套餐充值") << int(Section::Recharge) << qint64(2);
        QTest::newRow("充值明细") << int(Section::Recharge) << qint64(3);
        QTest::newRow("消费明细") << int(Section::Account) << qint64(2);
    }
    void clickNeedingUserWithoutOne() {
        QFETCH(int, section);
        QFETCH(qint64, tab);
        std::unique_ptr<MLSectionFrame> frame(makeSection(Section(section)));
        QTRY_COMPARE(frame->seletedIndex(), 1);
        MLPageView *first = frame->pageInView();
        const int logoutsBefore = m_harness->logouts;
        QTest::mouseClick(frame->leftView()->item(tab), Qt::LeftButton);
        QCOMPARE(m_harness->logouts, logoutsBefore + 1);
        QCOMPARE(frame->pageInView(), first);
        QCOMPARE(frame->seletedIndex(), 1);
        QVERIFY(!frame->existingPage(tab));
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
        QTRY_VERIFY(frame->contentView()->dataList().has_value());
        frame->toolBar()->clickTab(1);
        QTest::mouseClick(frame->toolBar()->tariffIntroductionView(), Qt::LeftButton);
        QTest::qWait(50);
        QCOMPARE(m_harness->requests(kTariffPath), 1);
        frame->refreshData();
        QTRY_COMPARE(m_harness->requests(kTariffPath), 2);
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

        main.leftBar()->setMealViewClick();
        auto *second = qobject_cast<MLMyAccountView *>(main.pageInView());
        QVERIFY(second && second != first);
        QTRY_VERIFY(first.isNull());
        QTRY_VERIFY(second->existingPage(1));
        QTRY_COMPARE(m_harness->requests(kOwnedPackagesPath), 2);

        // Two clicks within 0.1 s: the first section is gone before its first choice.
        main.leftBar()->setMealViewClick();
        main.leftBar()->setMealViewClick();
        auto *last = qobject_cast<MLMyAccountView *>(main.pageInView());
        QTRY_VERIFY(last->existingPage(1));
        QTest::qWait(150);
        QCOMPARE(m_harness->requests(kOwnedPackagesPath), 3);
        QCOMPARE(m_harness->individualCenterPosts, 3);
    }

    void mainPageHoldsBillingSections_data() {
        QTest::addColumn<qint64>("entry");
        QTest::addColumn<QString>("sectionClass");
        QTest::newRow("4 my account") << qint64(4) << QStringLiteral("MLMyAccountView");
        QTest::newRow("5 tariffs") << qint64(5) << QStringLiteral("MLTariffDescriptionView");
        QTest::newRow("6 time recharge") << qint64(6) << QStringLiteral("MLDurationCZView");
    }
    void mainPageHoldsBillingSections() {
        QFETCH(qint64, entry);
        QFETCH(QString, sectionClass);
        m_harness->signInDemo();
        NSMainVC main;
        QTRY_COMPARE(main.seletedIndex(), 1);
        main.leftBar()->clickTab(entry);
        MLPageView *section = main.pageInView();
        QVERIFY(section);
        QCOMPARE(QString::fromLatin1(section->metaObject()->className()), sectionClass);
        main.leftBar()->clickTab(1);
        main.leftBar()->clickTab(entry);
        QCOMPARE(main.pageInView(), section); // made once, kept
    }
};

ML_TEST_MAIN(TestBillingFrames)
#include "tst_billingframes.moc"
