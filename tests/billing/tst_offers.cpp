#include "StandinBillingRoutes.h"
#include "StandinPaymentRoutes.h"
#include "app/AppDelegate.h"
#include "app/NSMainLeftToolBarView.h"
#include "app/NSMainVC.h"
#include "billing/MLBillingTableView.h"
#include "billing/MLDetailsOfConsumptionView.h"
#include "billing/MLDurationCZBarView.h"
#include "billing/MLDurationCZView.h"
#include "billing/MLIndividualCenterSetMealView.h"
#include "billing/MLIndividualCenterView.h"
#include "billing/MLMyAccountView.h"
#include "billing/MLOfferButton.h"
#include "billing/MLPointRechargeView.h"
#include "billing/MLSetmealRechargeCell.h"
#include "billing/MLSetmealRechargeView.h"
#include "billing/MLTariffDescriptionCellView.h"
#include "billing/MLTariffDescriptionContentView.h"
#include "billing/MLTariffDescriptionView.h"
#include "billing/MLTariffDescriptionViewToolBarView.h"
#include "billing/MLTopUpDetailsView.h"
#include "core/session/MLUserManager.h"
#include "platform/imageloader/MLWebImageView.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"
#include "platform/kit/ui/MLAlert.h"
#include "platform/kit/ui/MLPasteboard.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"
#include "support/ToastTexts.h"
#include "ui/widgets/MBProgressHUD.h"
#include "ui/widgets/MLSimultaneousInterpretationToolBarSonView.h"
#include "ui/widgets/NSNotDataView.h"
#include "ui/widgets/NSPagingView.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextDocument>

#include <memory>

using namespace Qt::StringLiterals;

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
        center.addObserver(&m_observer, MLNotificationNames::kUserLogout,
                           [this](const MLNotification &) { ++logouts; });
        center.addObserver(&m_observer, MLNotificationNames::kIndividualCenter,
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
using ml::test::BillingHarness;
using ml::test::shownText;
using ml::test::toastTexts;

namespace {

const QString kPointsPath = u"/websitePay/getPointList"_s;
const QString kSetmealPath = u"/websitePay/getSetmealList"_s;
const QString kPointAliPath = u"/websitePay/createQrcodePointRechargeAliOrder2"_s;
const QString kTariffPath = u"/expense/getExpenseListForMac"_s;
const QString kOwnedPackagesPath = u"/meInfo/getMeSetmealList"_s;
const QString kTopUpPath = u"/cost/getRechargeDetailList"_s;
const QString kPointsPayPath = u"/pay/websitePay/getPointList"_s;

QString payPath(const QString &path) {
    return QLatin1String(StandinServer::kPayPrefix) + path;
}

QJsonObject object(const char *json) {
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

std::unique_ptr<MLRechargeBaseView> makeView(bool points) {
    if (points)
        return std::make_unique<MLPointRechargeView>();
    return std::make_unique<MLSetmealRechargeView>();
}

// Waits until the page has its offers (or has given up on them).
bool offersSettled(MLRechargeBaseView *view) {
    if (auto *points = qobject_cast<MLPointRechargeView *>(view))
        return points->model().has_value();
    return !static_cast<MLSetmealRechargeView *>(view)->listModel().isEmpty();
}

// The offer buttons of a page: the points grid, or the package rows one after another.
QList<MLOfferButton *> offerButtons(MLRechargeBaseView *view) {
    if (auto *points = qobject_cast<MLPointRechargeView *>(view))
        return points->buttons();
    auto *packages = static_cast<MLSetmealRechargeView *>(view);
    QList<MLOfferButton *> buttons;
    for (int row = 0; row < packages->tableView()->numberOfRows(); ++row)
        buttons += packages->cellAtRow(row)->buttons();
    return buttons;
}

enum class Kind { TopUp, Consumption };

std::unique_ptr<MLStatementView> makeStatement(Kind kind) {
    if (kind == Kind::TopUp)
        return std::make_unique<MLTopUpDetailsView>();
    return std::make_unique<MLDetailsOfConsumptionView>();
}

MLStatementCellView *rowAt(MLStatementView &page, int row) {
    return qobject_cast<MLStatementCellView *>(page.tableView()->viewAtRow(row));
}

} // namespace

// The offers and orders of the recharge pages, the statements, the personal centre and the billing
// sections.
class TestOffers : public QObject {
    Q_OBJECT
    std::unique_ptr<BillingHarness> m_harness;

    // Replaces a payment route's answer for one test.
    void answerWith(const QString &path, const QJsonValue &dt) {
        m_harness->server().payRoute(path,
                                     [dt](const StandinRequest &) { return StandinReply::success(dt); });
    }
    qint64 pageAsked(const QString &path) {
        return m_harness->server().lastRequest(path)->params.value(u"pageNum"_s).toInteger();
    }

    void jumpTo(MLStatementView &page, const QString &typed) {
        page.pagingView()->pageField()->setText(typed);
        QTest::mouseClick(page.pagingView()->jumpButton(), Qt::LeftButton);
    }

private Q_SLOTS:
    void initTestCase() {
        m_harness = std::make_unique<BillingHarness>();
        QVERIFY(m_harness->isRunning());
    }
    void init() {
        m_harness->reset();
        MLAlert::clearNextResponses();
        m_harness->signInDemo();
    }
    void cleanup() {
        StandinPaymentRoutes::install(m_harness->server()); // the fixture's answers again
        StandinBillingRoutes::install(m_harness->server());
        m_harness->signOut();
    }

    // ---- statements ----

    // Next, previous, a typed page, nothing beyond the last, the page last asked for on refresh, and
    // a page outside the range shows the empty view.
    void pagesThroughThePager_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QString>("outside");
        QTest::newRow("top-ups") << int(Kind::TopUp) << 23 << 3 << u"9"_s;
        QTest::newRow("consumption") << int(Kind::Consumption) << 37 << 4 << u"0"_s;
    }
    void pagesThroughThePager() {
        QFETCH(int, kind);
        QFETCH(int, total);
        QFETCH(int, pages);
        QFETCH(QString, outside);
        auto page = makeStatement(Kind(kind));
        const QString path = page->requestPath();
        NSPagingView *pager = page->pagingView();
        page->refreshData();
        QTRY_COMPARE(page->tableView()->numberOfRows(), 10);
        QCOMPARE(pageAsked(path), 1);
        QCOMPARE(pager->totalLabel()->text(), u"共%1条记录"_s.arg(total));
        QCOMPARE(pager->pagesLabel()->text(), u"共%1页"_s.arg(pages));
        QVERIFY(page->notDataView()->isHidden());
        if (Kind(kind) == Kind::TopUp) // "+200\n点" in the answer: the amount on one line
            QCOMPARE(rowAt(*page, 4)->consumptionLabel()->text(), u"+200点"_s);

        QTest::mouseClick(pager->nextButton(), Qt::LeftButton);
        QTRY_COMPARE(pager->pageField()->text(), u"2"_s);
        QCOMPARE(page->currentPageNum(), 2);
        QTest::mouseClick(pager->previousButton(), Qt::LeftButton);
        QTRY_COMPARE(pager->pageField()->text(), u"1"_s);

        jumpTo(*page, QString::number(pages));
        QTRY_COMPARE(page->tableView()->numberOfRows(), total - (pages - 1) * 10);
        const int requests = m_harness->requests(path);
        QTest::mouseClick(pager->nextButton(), Qt::LeftButton); // no next page: nothing asked
        page->refreshData();                                    // the page last asked for, not the first
        QTRY_COMPARE(m_harness->requests(path), requests + 1);
        QCOMPARE(pageAsked(path), pages);

        jumpTo(*page, outside);
        QTRY_VERIFY(!page->notDataView()->isHidden());
        QCOMPARE(m_harness->requests(path), requests + 2); // the click on "next" asked nothing
        QCOMPARE(pageAsked(path), outside.toInt());
        QCOMPARE(pager->pageField()->text(), outside);
    }

    // A failed page leaves what is shown and is asked for again by the next refresh.
    void failedPageKeepsRowsAndIsAskedAgain() {
        MLDetailsOfConsumptionView page;
        page.refreshData();
        QTRY_COMPARE(page.tableView()->numberOfRows(), 10);
        const QString firstRow = rowAt(page, 0)->operationLabel()->text();
        m_harness->server().injectFault(page.requestPath(), StandinFault::answer(u"DIA500"_s, u"系统繁忙"_s));
        QTest::mouseClick(page.pagingView()->nextButton(), Qt::LeftButton);
        QTRY_VERIFY(toastTexts(m_harness->contentView()).contains(u"系统繁忙"_s));
        QCOMPARE(page.currentPageNum(), 2);
        QCOMPARE(page.pagingView()->pageField()->text(), u"1"_s);
        QCOMPARE(rowAt(page, 0)->operationLabel()->text(), firstRow);
        page.refreshData();
        QTRY_COMPARE(page.pagingView()->pageField()->text(), u"2"_s);
    }

    void tariffAnswers_data() {
        QTest::addColumn<QByteArray>("dt");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("formatToast");
        QTest::newRow("empty list: empty table, no message") << QByteArray("[]") << 0 << false;
        QTest::newRow("no icon: placeholder")
            << QByteArray(R"([{"title":"高精翻译","explains":"1点"}])") << 1 << false;
        QTest::newRow("not a list") << QByteArray(R"({"title":"x"})") << 6 << true;
    }
    void tariffAnswers() {
        QFETCH(QByteArray, dt);
        QFETCH(int, rows);
        QFETCH(bool, formatToast);
        MLTariffDescriptionContentView page;
        page.refreshData();
        QTRY_COMPARE(page.tableView()->numberOfRows(), 6);
        QCOMPARE(m_harness->server().lastRequest(kTariffPath)->body, QByteArray("{}")); // no envelope
        const QJsonDocument document = QJsonDocument::fromJson(dt);
        const QJsonValue answer =
            document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
        m_harness->server().route(kTariffPath,
                                  [answer](const StandinRequest &) { return StandinReply::success(answer); });
        page.refreshData();
        QTRY_COMPARE(m_harness->requests(kTariffPath), 2);
        QTRY_COMPARE(page.tableView()->numberOfRows(), rows);
        if (formatToast) // else the rows above came with the answer, and a toast with them
            QTRY_VERIFY(toastTexts(m_harness->contentView()).contains(u"数据格式异常"_s));
        else
            QVERIFY(toastTexts(m_harness->contentView()).isEmpty());
        QVERIFY(!page.findChild<NSNotDataView *>());
        if (rows == 1) {
            auto *cell = qobject_cast<MLTariffDescriptionCellView *>(page.tableView()->viewAtRow(0));
            QVERIFY(cell->iconImage()->imageURL().isEmpty()); // nothing to fetch
            QVERIFY(cell->iconImage()->isShowingPlaceholder());
        }
    }

    // ---- offers and orders ----

    // The first offer is chosen, a click chooses another (a second click keeps it), one look shows the
    // choice; the order carries the chosen offer's texts as they were delivered ("" is kept, the number
    // 19.9 is "19.9").
    void selection_data() {
        QTest::addColumn<bool>("points");
        QTest::addColumn<QByteArray>("offers");
        QTest::addColumn<int>("click"); // in the points grid, or in the second package row; -1: none
        QTest::addColumn<QJsonObject>("parameters");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("toast");
        const QByteArray points = R"({"pointDetailsList":[[{"pointId":1,"pointStr":100,"payMoneyStr":19.9,
            "priceStr":"","discountStr":""}],[{"pointId":2,"pointStr":"20","payMoneyStr":"18.00"}]]})";
        const QByteArray packages = R"([{"title":"A","setmealDetailsList":[{"setmealId":101,
            "currentPriceStr":"19.90","origPriceStr":"24.00"}]},{"title":"B","setmealDetailsList":[
            {"setmealId":7,"currentPriceStr":"9.90","origPriceStr":"12.00"}]}])";
        QTest::newRow("points: the first offer")
            << true << points << -1
            << object(R"({"accountNum":"13800138000","originalPrice":"","payDiscount":"","paySum":"19.9",
                          "pointId":1,"rechargePoint":"100"})")
            << u"合计:¥19.9"_s << QString();
        QTest::newRow("points: indexes run across the groups")
            << true << points << 1
            << object(R"({"accountNum":"13800138000","paySum":"18.00","pointId":2,"rechargePoint":"20"})")
            << u"合计:¥18.00"_s << QString();
        QTest::newRow("points: junk skipped")
            << true
            << QByteArray(
                   R"({"pointDetailsList":["x",[1,{"pointId":5,"pointStr":"50","payMoneyStr":"45"}]]})")
            << -1 << object(R"({"accountNum":"13800138000","paySum":"45","pointId":5,"rechargePoint":"50"})")
            << u"合计:¥45"_s << QString();
        QTest::newRow("points: not an object")
            << true << QByteArray("[1,2]") << -1 << object(R"({"accountNum":"13800138000","pointId":0})")
            << u"合计:¥0"_s << u"数据格式异常"_s;
        QTest::newRow("packages: a click in another row")
            << false << packages << 0
            << object(
                   R"({"accountNum":"13800138000","origPrice":"12.00","currentPrice":"9.90","setmealId":7})")
            << u"合计:¥9.90"_s << QString();
        QTest::newRow("packages: the first row empty chooses nothing")
            << false
            << QByteArray(R"([{"title":"A","setmealDetailsList":[]},)" +
                          packages.mid(packages.indexOf("{\"title\":\"B\"")))
            << -1 << object(R"({"accountNum":"13800138000","setmealId":0})") << u"合计:¥0"_s << QString();
    }
    void selection() {
        QFETCH(bool, points);
        QFETCH(QByteArray, offers);
        QFETCH(int, click);
        QFETCH(QString, toast);
        const QJsonDocument document = QJsonDocument::fromJson(offers);
        answerWith(points ? kPointsPath : kSetmealPath,
                   document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object()));
        auto view = makeView(points);
        QTRY_VERIFY(offersSettled(view.get()) || !toastTexts(m_harness->contentView()).isEmpty());
        // The buttons a click may choose: the points grid, or the second package row.
        const auto candidates = [&] {
            auto *packages = qobject_cast<MLSetmealRechargeView *>(view.get());
            if (!packages)
                return offerButtons(view.get());
            return packages->tableView()->numberOfRows() > 1 ? packages->cellAtRow(1)->buttons()
                                                             : QList<MLOfferButton *>();
        };
        for (int i = 0; click >= 0 && i < 2; ++i) {
            QVERIFY(click < candidates().size());
            QTest::mouseClick(candidates().at(click), Qt::LeftButton);
        }
        const QJsonObject parameters = view->orderParameters();
        QTEST(parameters, "parameters");
        QTEST(view->discountAmountLabel()->text(), "total");
        const QList<MLOfferButton *> buttons = offerButtons(view.get());
        const int looks =
            int(std::count_if(buttons.cbegin(), buttons.cend(), [](auto *b) { return b->isSeletedLook(); }));
        QCOMPARE(looks, parameters.value(points ? u"pointId"_s : u"setmealId"_s).toInt() ? 1 : 0);
        if (click >= 0) {
            QVERIFY(click < candidates().size());
            QVERIFY(candidates().at(click)->isSeletedLook());
        }
        QCOMPARE(toastTexts(m_harness->contentView()), toast.isEmpty() ? QStringList() : QStringList{toast});
        QCOMPARE(m_harness->requests(payPath(points ? kPointsPath : kSetmealPath)), 1);
    }

    // An order for the chosen offer and method shows its QR code over the window; a failed offer list,
    // an account not loaded or an unusable code show the refusal instead.
    void order_data() {
        QTest::addColumn<bool>("points");
        QTest::addColumn<bool>("zfb");
        QTest::addColumn<QString>("fault"); // "offers", "account", "qrcode" or none
        QTest::addColumn<QJsonObject>("parameters");
        QTest::addColumn<QString>("toast"); // none: the overlay is shown
        const QJsonObject package = object(
            R"({"accountNum":"13800138000","origPrice":"24.00","currentPrice":"19.90","setmealId":101})");
        QTest::newRow("points, Alipay")
            << true << true << QString()
            << object(R"({"accountNum":"13800138000","originalPrice":"10.00","payDiscount":"10",
                          "paySum":"10.00","pointId":1,"rechargePoint":"10"})")
            << QString();
        QTest::newRow("package, WeChat") << false << false << QString() << package << QString();
        QTest::newRow("points list failed")
            << true << true << u"offers"_s << object(R"({"accountNum":"13800138000","pointId":0})")
            << u"充值金额不存在"_s;
        QTest::newRow("account not loaded")
            << false << true << u"account"_s
            << object(R"({"origPrice":"24.00","currentPrice":"19.90","setmealId":101})")
            << u"充值账号不能为空"_s;
        QTest::newRow("unusable code") << false << true << u"qrcode"_s << package << u"数据格式异常"_s;
    }
    void order() {
        QFETCH(bool, points);
        QFETCH(bool, zfb);
        QFETCH(QString, fault);
        QFETCH(QString, toast);
        m_harness->signInDemo(fault != "account"_L1);
        if (fault == "offers"_L1)
            m_harness->server().injectFault(payPath(points ? kPointsPath : kSetmealPath),
                                            StandinFault::answer(u"DIA500"_s, u"系统繁忙"_s));
        auto view = makeView(points);
        if (fault == "qrcode"_L1)
            answerWith(view->orderPath(zfb),
                       object(R"({"outTradeNo":"MLS1","qrcodeBase64":"data:image/jpg;base64,!!!!"})"));
        QTRY_VERIFY(offersSettled(view.get()) ||
                    toastTexts(m_harness->contentView()).contains(u"系统繁忙"_s));
        if (!zfb) {
            QTest::mouseClick(view->wxImageView(), Qt::LeftButton);
            QTest::mouseClick(view->wxSImageView(), Qt::LeftButton); // the chosen method again: nothing
        }
        QCOMPARE(view->iszfb(), zfb);
        QTest::mouseClick(view->chargetBtn(), Qt::LeftButton);
        if (toast.isEmpty()) {
            QTRY_VERIFY(view->isPaymentOverlayShown());
            QCOMPARE(view->paymentShowTipLabel()->text(), zfb ? u"支付宝扫码支付"_s : u"微信扫码支付"_s);
            QCOMPARE(view->windowBgView()->parentWidget(), m_harness->contentView());
            QVERIFY(!view->qRCodeImage()->image().isNull());
        } else {
            QTRY_VERIFY(toastTexts(m_harness->contentView()).contains(toast));
            QVERIFY(!view->isPaymentOverlayShown());
        }
        QTEST(m_harness->server().lastRequest(payPath(view->orderPath(zfb)))->params, "parameters");
    }

    // The code is the one made for the method that was sent; the title must name that method.
    void titleNamesTheMethodOfTheSentOrder() {
        MLPointRechargeView view;
        QTRY_VERIFY(view.model());
        m_harness->server().injectFault(payPath(kPointAliPath), StandinFault::delay(200));
        view.chargetBtnClick();
        view.wxBtnClick();
        QTRY_VERIFY(view.isPaymentOverlayShown());
        QCOMPARE(view.paymentShowTipLabel()->text(), u"支付宝扫码支付"_s);
        QVERIFY(!view.iszfb());
    }

    // Clicks beside or on the panel leave it; its close and completion controls close it; it goes
    // with its page.
    void overlayClosesOnlyByItsControls() {
        auto view = std::make_unique<MLSetmealRechargeView>();
        QTRY_VERIFY(view->seletedModel());
        for (bool completion : {false, true}) {
            view->chargetBtnClick();
            QTRY_VERIFY(view->isPaymentOverlayShown());
            QTest::mouseClick(view->windowBgView(), Qt::LeftButton, {}, QPoint(5, 5)); // beside the panel
            QTest::mouseClick(view->windowBgContentView(), Qt::LeftButton, {}, QPoint(5, 5));
            QVERIFY(view->isPaymentOverlayShown());
            const int posts = m_harness->individualCenterPosts;
            if (completion)
                QTest::mouseClick(view->paymentCompletionBtn(), Qt::LeftButton);
            else
                QTest::mouseClick(view->closeImage(), Qt::LeftButton);
            QVERIFY(!view->isPaymentOverlayShown());
            QCOMPARE(m_harness->individualCenterPosts, posts + (completion ? 1 : 0));
        }
        QPointer<QWidget> backdrop = view->windowBgView();
        QPointer<QWidget> panel = view->windowBgContentView();
        view.reset();
        QVERIFY(backdrop.isNull());
        QVERIFY(panel.isNull());
    }

    void qrcodeText_data() {
        QImage image(21, 21, QImage::Format_RGB32);
        image.fill(Qt::black);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        const QString base64 = QString::fromLatin1(buffer.data().toBase64());
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isImage");
        QTest::newRow("bare") << base64 << true;
        QTest::newRow("prefix twice") << u"data:image/jpg;base64,data:image/jpg;base64,"_s + base64 << true;
        QTest::newRow("line breaks") << base64.left(10) + u"\n \r\n"_s + base64.mid(10) << true;
        QTest::newRow("not an image") << u"aGVsbG8gd29ybGQ="_s << false;
    }
    void qrcodeText() {
        QFETCH(QString, text);
        QFETCH(bool, isImage);
        const QString stripped = MLRechargeBaseView::strippedQrcodeBase64(text);
        QVERIFY(!stripped.contains(QLatin1String("data:")));
        const QImage image = MLRechargeBaseView::imageFromBase64(stripped);
        QCOMPARE(image.size(), isImage ? QSize(21, 21) : QSize(0, 0));
    }

    // A paid order, then "支付完成": the main page fetches the account again and shows the new balance.
    void paidOrderCreditsTheAccount() {
        StandinAccount *account =
            m_harness->server().state().accountForToken(m_harness->standin().demoToken());
        const double before = account->profile.balanceStr.toDouble();
        NSMainVC main;
        main.getUserInfo(); // as when the main page is shown
        QTRY_COMPARE(main.leftBar()->balanceLabel()->text(), account->profile.balanceStr + u"点"_s);
        MLPointRechargeView view;
        QTRY_VERIFY(view.model());
        view.chargetBtnClick();
        QTRY_VERIFY(view.isPaymentOverlayShown());
        QVERIFY(StandinPaymentRoutes::payOrder(m_harness->server(), view.qrcodeModel()->outTradeNo));
        QTest::mouseClick(view.paymentCompletionBtn(), Qt::LeftButton);
        QVERIFY(!view.isPaymentOverlayShown());
        const double points = view.orderParameters().value(u"rechargePoint"_s).toString().toDouble();
        QTRY_COMPARE(main.leftBar()->balanceLabel()->text(), QString::number(before + points) + u"点"_s);
    }

    // ---- the personal centre and the billing sections around it ----

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

    // The lists of the package offers and of the personal centre are clipped to corners of radius 10:
    // their scroll bar stops short of the corners.
    void listCornersAreRounded_data() {
        QTest::addColumn<bool>("packages");
        QTest::newRow("package offers") << true;
        QTest::newRow("personal centre") << false;
    }
    void listCornersAreRounded() {
        QFETCH(bool, packages);
        std::unique_ptr<MLPageView> page;
        if (packages)
            page = std::make_unique<MLSetmealRechargeView>();
        else
            page = std::make_unique<MLIndividualCenterView>();
        page->refreshData();
        const auto *list = page->findChild<QScrollArea *>();
        QVERIFY(list);
        // Small enough that the rows outgrow the list.
        QVERIFY(ml::test::shown(page.get(), QSize(900, 420)));
        QTRY_VERIFY(list->verticalScrollBar()->isVisible());
        const QImage image = page->grab().toImage();
        const QRect area(list->mapTo(page.get(), QPoint(0, 0)), list->size());
        // The right corners look as the left ones, where no scroll bar is.
        QVERIFY(image.pixelColor(area.right() - 1, area.center().y()) !=
                image.pixelColor(area.left() + 1, area.center().y()));
        QCOMPARE(image.pixelColor(area.topRight() + QPoint(-1, 1)),
                 image.pixelColor(area.topLeft() + QPoint(1, 1)));
        QCOMPARE(image.pixelColor(area.bottomRight() + QPoint(-1, -1)),
                 image.pixelColor(area.bottomLeft() + QPoint(1, -1)));
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
        QTRY_COMPARE(m_harness->requests(kPointsPayPath), 1);
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
        QCOMPARE(m_harness->requests(kPointsPayPath), 1); // the offers are never fetched again
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

ML_TEST_MAIN(TestOffers)
#include "tst_offers.moc"
