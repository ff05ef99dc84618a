#include "MLBillingTestSupport.h"

#include "billing/MLBillingTableView.h"
#include "billing/MLIndividualCenterSetMealView.h"
#include "billing/MLIndividualCenterView.h"
#include "platform/imageloader/MLWebImageView.h"
#include "platform/kit/ui/MLAlert.h"
#include "platform/kit/ui/MLPasteboard.h"
#include "support/MLTestMain.h"
#include "ui/widgets/NSNotDataView.h"

#include <QJsonDocument>
#include <QPushButton>

using ml::test::BillingHarness;
using ml::test::shownText;
using ml::test::toastTexts;

namespace {
const QString kOwnedPackagesPath = QStringLiteral("/meInfo/getMeSetmealList");

MLIndividualCenterSetMealView *cardAt(MLIndividualCenterView &page, int row) {
    return qobject_cast<MLIndividualCenterSetMealView *>(page.tableView()->viewAtRow(row));
}
} // namespace

class TestIndividualCenter : public QObject {
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
    void cleanup() { m_harness->signOut(); }

    // The header shows what the session store held when the page was made, and nothing later.
    void headerFromAccountDetails_data() {
        QTest::addColumn<bool>("details");
        QTest::addColumn<QString>("nickname");
        QTest::addColumn<QString>("accountNum");
        QTest::addColumn<QString>("nameText");
        QTest::addColumn<QString>("accountText");
        QTest::newRow("both") << true << QStringLiteral("演示用户") << QStringLiteral("13800138000")
                              << QStringLiteral("演示用户") << QStringLiteral("账号：13800138000 (复制)");
        QTest::newRow("no nickname") << true << QString() << QStringLiteral("13800138000")
                                     << QStringLiteral("--") << QStringLiteral("账号：13800138000 (复制)");
        QTest::newRow("markup is text")
            << true << QStringLiteral("<b>x</b>") << QStringLiteral("<i>1</i>") << QStringLiteral("<b>x</b>")
            << QStringLiteral("账号：<i>1</i> (复制)");
        QTest::newRow("no account details")
            << false << QString() << QString() << QStringLiteral("--") << QStringLiteral("--");
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
            account.headImg =
                m_harness->standin().apiBaseUrl() + QStringLiteral("/static/icons/tariff_high.png");
            MLUserManager::sharedManager().setCurrentMineUser(account);
        }
        MLIndividualCenterView page;
        QTEST(shownText(page.nameLabel()), "nameText");
        QTEST(shownText(page.accountLabel()), "accountText");
        QCOMPARE(page.iconImage()->placeholderName(), QStringLiteral("iconUserImage"));
        if (details)
            QTRY_VERIFY(!page.iconImage()->isShowingPlaceholder());

        MLMineModel other;
        other.nickname = QStringLiteral("别人");
        other.accountNum = QStringLiteral("13900139000");
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
        const QString token = m_harness->server().state().issueToken(consumerId);
        MLUserManager::sharedManager().setCurrentUser(MLUserModel{token});
        MLIndividualCenterView page;
        QVERIFY(page.notDataView()->isHidden());
        page.refreshData();
        QCOMPARE(m_harness->individualCenterPosts, 1); // at once, not after the answer
        QTRY_VERIFY(page.orgModel().has_value());
        QCOMPARE(m_harness->server().lastRequest(kOwnedPackagesPath)->params,
                 QJsonDocument::fromJson(R"({"pageNum":1,"pageSize":100})").object());
        QCOMPARE(page.tableView()->numberOfRows(), cards);
        QCOMPARE(page.notDataView()->isHidden(), cards > 0);
        if (cards) {
            MLIndividualCenterSetMealView *card = cardAt(page, 0);
            QCOMPARE(card->setMealLabel()->text(), QStringLiteral("10小时畅听包"));
            QCOMPARE(card->timeLabel()->text(), QStringLiteral("剩余时长：7小时42分钟"));
            QCOMPARE(card->effectiveLabel()->text(), QStringLiteral("有效日期：2024-07-20"));
            QCOMPARE(card->iconImage()->placeholderName(), QStringLiteral("123"));
            QTRY_VERIFY(!card->iconImage()->isShowingPlaceholder());
        }
    }

    void refreshNotifiesEvenWhenUnreachable() {
        m_harness->signInDemo();
        MLIndividualCenterView page;
        page.refreshData();
        QTRY_COMPARE(page.tableView()->numberOfRows(), 3);
        m_harness->server().injectFault(kOwnedPackagesPath, StandinFault::drop());
        page.refreshData();
        QCOMPARE(m_harness->individualCenterPosts, 2);
        QTRY_VERIFY(toastTexts(m_harness->contentView()).contains(QStringLiteral("链接超时!")));
        QCOMPARE(page.tableView()->numberOfRows(), 3); // the cards shown stay
    }

    void copyAccountNumber_data() {
        QTest::addColumn<bool>("details");
        QTest::newRow("account number known") << true;
        QTest::newRow("no account details") << false;
    }
    void copyAccountNumber() {
        QFETCH(bool, details);
        m_harness->signInDemo(details);
        MLPasteboard::generalPasteboard().setString(QStringLiteral("before"));
        MLIndividualCenterView page;
        QTest::mouseClick(page.accountLabel(), Qt::LeftButton);
        QCOMPARE(MLPasteboard::generalPasteboard().string(),
                 details ? QStringLiteral("13800138000") : QStringLiteral("before"));
        QCOMPARE(toastTexts(&page), details ? QStringList{QStringLiteral("复制成功")} : QStringList{});
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
        QCOMPARE(MLAlert::lastAlert()->messageText(), QStringLiteral("确定退出登录？"));
        QCOMPARE(MLAlert::lastAlert()->buttonTitles(),
                 (QStringList{QStringLiteral("确定"), QStringLiteral("取消")}));
        QTest::qWait(20); // the sheet answers on the event loop
        QTRY_COMPARE(m_harness->logouts, signedOut ? 1 : 0);
        QCOMPARE(MLUserManager::sharedManager().currentUser().has_value(), !signedOut);
        QCOMPARE(MLUserManager::sharedManager().currentMineUser().has_value(), !signedOut);
        QCOMPARE(m_harness->requests(QString()), 0); // sign-out is local
    }
};

ML_TEST_MAIN(TestIndividualCenter)
#include "tst_individualcenter.moc"
