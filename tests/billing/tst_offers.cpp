#include "MLBillingTestSupport.h"

#include "StandinPaymentRoutes.h"
#include "app/NSMainLeftToolBarView.h"
#include "app/NSMainVC.h"
#include "billing/MLBillingTableView.h"
#include "billing/MLIndividualCenterSetMealView.h"
#include "billing/MLIndividualCenterView.h"
#include "billing/MLOfferButton.h"
#include "billing/MLPointRechargeView.h"
#include "billing/MLSetmealRechargeCell.h"
#include "billing/MLSetmealRechargeView.h"
#include "platform/imageloader/MLWebImageView.h"
#include "support/MLTestMain.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QPushButton>

using ml::test::BillingHarness;
using ml::test::shownText;
using ml::test::toastTexts;

Q_DECLARE_METATYPE(QJsonObject)

namespace {

const QString kPointsPath = QStringLiteral("/websitePay/getPointList");
const QString kSetmealPath = QStringLiteral("/websitePay/getSetmealList");
const QString kPointAliPath = QStringLiteral("/websitePay/createQrcodePointRechargeAliOrder2");

QString payPath(const QString &path) {
    return QLatin1String(StandinServer::kPayPrefix) + path;
}

QJsonObject parseObject(const char *json) {
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

} // namespace

class TestOffers : public QObject {
    Q_OBJECT
    std::unique_ptr<BillingHarness> m_harness;

    // Replaces a payment route's answer for one test.
    void answerWith(const QString &path, const QJsonValue &dt) {
        m_harness->server().payRoute(path,
                                     [dt](const StandinRequest &) { return StandinReply::success(dt); });
    }

private Q_SLOTS:
    void initTestCase() {
        m_harness = std::make_unique<BillingHarness>();
        QVERIFY(m_harness->isRunning());
    }
    void init() {
        m_harness->reset();
        m_harness->signInDemo();
    }
    void cleanup() {
        StandinPaymentRoutes::install(m_harness->server()); // the fixture's answers again
        m_harness->signOut();
    }

    void pointOffersFormOneGridFirstSelected() {
        MLPointRechargeView view;
        QCOMPARE(shownText(view.discountAmountLabel()), QStringLiteral("合计:¥0"));
        QVERIFY(view.originalPriceLabel()->font().strikeOut());
        QTRY_COMPARE(view.buttons().size(), 9); // two groups: 6 + 3, indexes run across them
        for (int i = 0; i < 9; ++i)
            QCOMPARE(view.buttons()[i]->tag(), i);
        QCOMPARE(shownText(view.buttons()[0]->titleLabel()), QStringLiteral("10点"));
        QCOMPARE(view.seletedBtn(), view.buttons()[0]);
        QVERIFY(view.buttons()[0]->isSeletedLook());
        QCOMPARE(view.discountAmountLabel()->text(), QStringLiteral("合计:¥10.00"));
        QCOMPARE(view.originalPriceLabel()->text(), QStringLiteral("原价:¥10.00"));

        QTest::mouseClick(view.buttons()[3], Qt::LeftButton);
        QCOMPARE(view.seletedBtn(), view.buttons()[3]);
        QVERIFY(!view.buttons()[0]->isSeletedLook());
        QCOMPARE(view.discountAmountLabel()->text(), QStringLiteral("合计:¥188.00"));
        QCOMPARE(view.originalPriceLabel()->text(), QStringLiteral("原价:¥200.00"));
        QTest::mouseClick(view.buttons()[3], Qt::LeftButton); // the selected one stays selected
        QVERIFY(view.buttons()[3]->isSeletedLook());
        view.refreshData();
        QTest::qWait(50);
        QCOMPARE(m_harness->requests(payPath(kPointsPath)), 1);
    }

    void pointAnswersWithoutUsableOffers_data() {
        QTest::addColumn<QByteArray>("dt");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<bool>("formatToast");
        QTest::newRow("no groups") << QByteArray(R"({"description":"x","pointDetailsList":[]})") << 0
                                   << false;
        QTest::newRow("empty groups") << QByteArray(R"({"pointDetailsList":[[],[]]})") << 0 << false;
        QTest::newRow("junk skipped")
            << QByteArray(
                   R"({"pointDetailsList":["x",[1,{"pointId":5,"pointStr":"50","payMoneyStr":"45"}],[]]})")
            << 1 << false;
        QTest::newRow("not an object") << QByteArray(R"([1,2])") << 0 << true;
    }
    void pointAnswersWithoutUsableOffers() {
        QFETCH(QByteArray, dt);
        QFETCH(int, buttons);
        QFETCH(bool, formatToast);
        const QJsonDocument document = QJsonDocument::fromJson(dt);
        answerWith(kPointsPath,
                   document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object()));
        MLPointRechargeView view;
        QTRY_COMPARE(m_harness->requests(payPath(kPointsPath)), 1);
        QTRY_COMPARE(view.model().has_value() || !toastTexts(m_harness->contentView()).isEmpty(), true);
        QCOMPARE(view.buttons().size(), buttons);
        QCOMPARE(toastTexts(m_harness->contentView()).contains(QStringLiteral("数据格式异常")), formatToast);
        QCOMPARE(view.discountAmountLabel()->text(),
                 buttons ? QStringLiteral("合计:¥45") : QStringLiteral("合计:¥0"));
    }

    void packageOffersOneRowPerCategory() {
        MLSetmealRechargeView view;
        QTRY_COMPARE(view.tableView()->numberOfRows(), 2);
        MLSetmealRechargeCell *first = view.cellAtRow(0);
        QCOMPARE(shownText(first->tipLabel()), QStringLiteral("同声传译时长套餐"));
        QCOMPARE(shownText(first->buttons()[0]->titleLabel()), QStringLiteral("2小时体验包\n有效期:7天"));
        QVERIFY(first->buttons()[0]->isSeletedLook());
        QCOMPARE(view.seletedModel()->setmealId, 101);
        QCOMPARE(view.discountAmountLabel()->text(), QStringLiteral("合计:¥19.90"));
        QCOMPARE(view.originalPriceLabel()->text(), QStringLiteral("原价:¥24.00"));

        QTest::mouseClick(view.cellAtRow(1)->buttons()[2], Qt::LeftButton);
        QCOMPARE(view.seletedModel()->setmealId, 203);
        QVERIFY(!view.cellAtRow(0)->buttons()[0]->isSeletedLook()); // rows rebuilt from the flags
        QVERIFY(view.cellAtRow(1)->buttons()[2]->isSeletedLook());
        QCOMPARE(view.discountAmountLabel()->text(), QStringLiteral("合计:¥398.00"));
    }

    void packageFirstCategoryEmptySelectsNothing() {
        answerWith(kSetmealPath, QJsonDocument::fromJson(R"([{"title":"空","setmealDetailsList":[]},
            {"title":"转写","setmealDetailsList":[{"setmealId":7,"setmealName":"包","dayNum":"3天",
             "currentPriceStr":"9.90","origPriceStr":"12.00"}]}])")
                                     .array());
        MLSetmealRechargeView view;
        QTRY_COMPARE(view.tableView()->numberOfRows(), 2);
        QVERIFY(!view.seletedModel());
        QVERIFY(!view.cellAtRow(1)->buttons()[0]->isSeletedLook());
        QCOMPARE(view.discountAmountLabel()->text(), QStringLiteral("合计:¥0"));
        QTest::mouseClick(view.cellAtRow(1)->buttons()[0], Qt::LeftButton);
        QCOMPARE(view.seletedModel()->setmealId, 7);
        QCOMPARE(view.originalPriceLabel()->text(), QStringLiteral("原价:¥12.00"));
    }

    void orderForSelectedOffer_data() {
        QTest::addColumn<bool>("points");
        QTest::addColumn<bool>("zfb");
        QTest::addColumn<int>("offer");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonObject>("parameters");
        QTest::newRow("points, Alipay, first offer")
            << true << true << -1 << kPointAliPath
            << parseObject(R"({"accountNum":"13800138000","originalPrice":"10.00","payDiscount":"10",
                              "paySum":"10.00","pointId":1,"rechargePoint":"10"})");
        QTest::newRow("points, WeChat, offer 8")
            << true << false << 8 << QStringLiteral("/websitePay/createWebsiteRechargeWxOrder")
            << parseObject(R"({"accountNum":"13800138000","originalPrice":"10000.00","payDiscount":"8.6",
                              "paySum":"8600.00","pointId":9,"rechargePoint":"10000"})");
        QTest::newRow("package, Alipay, first offer")
            << false << true << -1 << QStringLiteral("/websitePay/createQrcodeSetmealRechargeAliOrder2")
            << parseObject(
                   R"({"accountNum":"13800138000","origPrice":"24.00","currentPrice":"19.90","setmealId":101})");
        QTest::newRow("package, WeChat, offer 2")
            << false << false << 2 << QStringLiteral("/websitePay/createQrcodeSetmealRechargeWxOrder")
            << parseObject(
                   R"({"accountNum":"13800138000","origPrice":"360.00","currentPrice":"238.00","setmealId":103})");
    }
    void orderForSelectedOffer() {
        QFETCH(bool, points);
        QFETCH(bool, zfb);
        QFETCH(int, offer);
        QFETCH(QString, path);
        QFETCH(QJsonObject, parameters);
        auto view = makeView(points);
        QTRY_VERIFY(offersSettled(view.get()));
        if (offer >= 0) {
            if (points)
                static_cast<MLPointRechargeView *>(view.get())
                    ->btnClick(static_cast<MLPointRechargeView *>(view.get())->buttons()[offer]);
            else
                static_cast<MLSetmealRechargeView *>(view.get())->selectOffer(0, offer);
        }
        if (!zfb) {
            QTest::mouseClick(view->wxImageView(), Qt::LeftButton);
            QTest::mouseClick(view->wxSImageView(), Qt::LeftButton); // the chosen method again: nothing
        }
        QCOMPARE(view->iszfb(), zfb);
        QVERIFY(!view->isPaymentOverlayShown());
        QTest::mouseClick(view->chargetBtn(), Qt::LeftButton);
        QTRY_VERIFY(view->isPaymentOverlayShown());
        QCOMPARE(m_harness->server().lastRequest(payPath(path))->params, parameters);
        QCOMPARE(view->paymentShowTipLabel()->text(),
                 zfb ? QStringLiteral("支付宝扫码支付") : QStringLiteral("微信扫码支付"));
        QCOMPARE(view->windowBgView()->parentWidget(), m_harness->contentView());
        QVERIFY(!view->qRCodeImage()->image().isNull());
        QVERIFY(!view->qrcodeModel()->qrcodeBase64.startsWith(QLatin1String("data:")));
        const QString tradeNo = view->qrcodeModel()->outTradeNo;
        QCOMPARE(StandinPaymentRoutes::orderState(m_harness->server(), tradeNo),
                 QLatin1String(StandinPaymentRoutes::kWaitPay));
    }

    // Offer texts go back exactly as they arrived: a price sent as the number 19.9 is "19.9", and a
    // text that is present but empty is sent as "", not left out.
    void orderSendsOfferTextsAsDelivered() {
        answerWith(kPointsPath, parseObject(R"({"pointDetailsList":[[{"pointId":1,"pointStr":100,
                                   "payMoneyStr":19.9,"priceStr":"","discountStr":""}]]})"));
        MLPointRechargeView view;
        QTRY_COMPARE(view.buttons().size(), 1);
        QCOMPARE(view.discountAmountLabel()->text(), QStringLiteral("合计:¥19.9"));
        const int sent = m_harness->requests(payPath(kPointAliPath));
        view.chargetBtnClick();
        QTRY_COMPARE(m_harness->requests(payPath(kPointAliPath)), sent + 1);
        QCOMPARE(m_harness->server().lastRequest(payPath(kPointAliPath))->params,
                 parseObject(R"({"accountNum":"13800138000","originalPrice":"","payDiscount":"",
                                 "paySum":"19.9","pointId":1,"rechargePoint":"100"})"));
    }

    void orderWithoutSelectionOrAccount_data() {
        QTest::addColumn<bool>("points");
        QTest::addColumn<bool>("offersFail");
        QTest::addColumn<bool>("accountDetails");
        QTest::addColumn<QJsonObject>("parameters");
        QTest::addColumn<QString>("message");
        QTest::newRow("points list failed")
            << true << true << true << parseObject(R"({"accountNum":"13800138000","pointId":0})")
            << QStringLiteral("充值金额不存在");
        QTest::newRow("package list failed")
            << false << true << true << parseObject(R"({"accountNum":"13800138000","setmealId":0})")
            << QStringLiteral("套餐不存在");
        QTest::newRow("account not loaded")
            << false << false << false
            << parseObject(R"({"origPrice":"24.00","currentPrice":"19.90","setmealId":101})")
            << QStringLiteral("充值账号不能为空");
    }
    void orderWithoutSelectionOrAccount() {
        QFETCH(bool, points);
        QFETCH(bool, offersFail);
        QFETCH(bool, accountDetails);
        QFETCH(QJsonObject, parameters);
        QFETCH(QString, message);
        m_harness->signInDemo(accountDetails);
        const QString offersPath = payPath(points ? kPointsPath : kSetmealPath);
        if (offersFail)
            m_harness->server().injectFault(
                offersPath, StandinFault::answer(QStringLiteral("DIA500"), QStringLiteral("系统繁忙")));
        auto view = makeView(points);
        QTRY_COMPARE(m_harness->requests(offersPath), 1);
        QTRY_VERIFY(offersSettled(view.get()) ||
                    toastTexts(m_harness->contentView()).contains(QStringLiteral("系统繁忙")));
        view->chargetBtnClick();
        QTRY_VERIFY(toastTexts(m_harness->contentView()).contains(message));
        const QString path =
            points ? kPointAliPath : QStringLiteral("/websitePay/createQrcodeSetmealRechargeAliOrder2");
        QCOMPARE(m_harness->server().lastRequest(payPath(path))->params, parameters);
        QVERIFY(!view->isPaymentOverlayShown());
    }

    // The code is the one made for the method that was sent; the title must name that method.
    void titleNamesTheMethodOfTheSentOrder() {
        MLPointRechargeView view;
        QTRY_COMPARE(view.buttons().size(), 9);
        m_harness->server().injectFault(payPath(kPointAliPath), StandinFault::delay(200));
        view.chargetBtnClick();
        view.wxBtnClick();
        QTRY_VERIFY(view.isPaymentOverlayShown());
        QCOMPARE(view.paymentShowTipLabel()->text(), QStringLiteral("支付宝扫码支付"));
        QVERIFY(!view.iszfb());
    }

    void everyClickSendsAnOrder() {
        MLPointRechargeView view;
        QTRY_COMPARE(view.buttons().size(), 9);
        view.chargetBtnClick();
        view.chargetBtnClick();
        QTRY_COMPARE(m_harness->requests(payPath(kPointAliPath)), 2);
        QTRY_VERIFY(view.isPaymentOverlayShown());
    }

    void unusableQrcodeShowsNoOverlay() {
        answerWith(kPointAliPath,
                   parseObject(R"({"outTradeNo":"MLP1","qrcodeBase64":"data:image/jpg;base64,!!!!"})"));
        MLPointRechargeView view;
        QTRY_COMPARE(view.buttons().size(), 9);
        view.chargetBtnClick();
        QTRY_VERIFY(toastTexts(m_harness->contentView()).contains(QStringLiteral("数据格式异常")));
        QVERIFY(!view.isPaymentOverlayShown());
    }

    void overlayClosesOnlyByItsControls() {
        MLSetmealRechargeView view;
        QTRY_VERIFY(view.seletedModel());
        for (bool completion : {false, true}) {
            view.chargetBtnClick();
            QTRY_VERIFY(view.isPaymentOverlayShown());
            QTest::mouseClick(view.windowBgView(), Qt::LeftButton, {}, QPoint(5, 5)); // beside the panel
            QTest::mouseClick(view.windowBgContentView(), Qt::LeftButton, {}, QPoint(5, 5));
            QVERIFY(view.isPaymentOverlayShown());
            const int posts = m_harness->individualCenterPosts;
            if (completion)
                QTest::mouseClick(view.paymentCompletionBtn(), Qt::LeftButton);
            else
                QTest::mouseClick(view.closeImage(), Qt::LeftButton);
            QVERIFY(!view.isPaymentOverlayShown());
            QCOMPARE(m_harness->individualCenterPosts, posts + (completion ? 1 : 0));
        }
    }

    void overlayGoesWithItsPage() {
        auto view = std::make_unique<MLPointRechargeView>();
        QPointer<QWidget> backdrop = view->windowBgView();
        QPointer<QWidget> panel = view->windowBgContentView();
        QCOMPARE(backdrop->parentWidget(), m_harness->contentView());
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
        QTest::newRow("jpg prefix") << QStringLiteral("data:image/jpg;base64,") + base64 << true;
        QTest::newRow("prefix twice")
            << QStringLiteral("data:image/jpg;base64,data:image/jpg;base64,") + base64 << true;
        QTest::newRow("png prefix") << QStringLiteral("data:image/png;base64,") + base64 << true;
        QTest::newRow("line breaks") << base64.left(10) + QStringLiteral("\n \r\n") + base64.mid(10) << true;
        QTest::newRow("not an image") << QStringLiteral("aGVsbG8gd29ybGQ=") << false;
        QTest::newRow("empty") << QString() << false;
    }
    void qrcodeText() {
        QFETCH(QString, text);
        QFETCH(bool, isImage);
        const QString stripped = MLRechargeBaseView::strippedQrcodeBase64(text);
        QVERIFY(!stripped.contains(QLatin1String("data:")));
        const QImage image = MLRechargeBaseView::imageFromBase64(stripped);
        QCOMPARE(!image.isNull(), isImage);
        if (isImage)
            QCOMPARE(image.size(), QSize(21, 21));
    }

    // Scanning the code pays the order; "支付完成" makes the main page fetch the account again.
    void paidOrderCreditsTheAccount_data() {
        QTest::addColumn<bool>("points");
        QTest::newRow("points raise the balance") << true;
        QTest::newRow("package joins the owned packages") << false;
    }
    void paidOrderCreditsTheAccount() {
        QFETCH(bool, points);
        StandinAccount *account =
            m_harness->server().state().accountForToken(m_harness->standin().demoToken());
        const double before = account->profile.balanceStr.toDouble();
        NSMainVC main;
        main.getUserInfo(); // as when the main page is shown
        QTRY_COMPARE(main.leftBar()->balanceLabel()->text(),
                     account->profile.balanceStr + QStringLiteral("点"));

        auto view = makeView(points);
        QTRY_VERIFY(offersSettled(view.get()));
        view->chargetBtnClick();
        QTRY_VERIFY(view->isPaymentOverlayShown());
        const QString tradeNo = view->qrcodeModel()->outTradeNo;

        QNetworkAccessManager network;
        std::unique_ptr<QNetworkReply> reply(
            network.get(QNetworkRequest(StandinPaymentRoutes::scanUrl(m_harness->server(), tradeNo))));
        QTRY_VERIFY(reply->isFinished());
        QVERIFY(QString::fromUtf8(reply->readAll()).contains(QStringLiteral("支付成功")));
        QCOMPARE(StandinPaymentRoutes::orderState(m_harness->server(), tradeNo),
                 QLatin1String(StandinPaymentRoutes::kPaid));
        QVERIFY(StandinPaymentRoutes::payOrder(m_harness->server(), tradeNo)); // paid once only

        QTest::mouseClick(view->paymentCompletionBtn(), Qt::LeftButton);
        QVERIFY(!view->isPaymentOverlayShown());
        if (points) {
            QTRY_COMPARE(main.leftBar()->balanceLabel()->text(),
                         QString::number(before + 10) + QStringLiteral("点"));
        } else {
            QCOMPARE(account->profile.balanceStr.toDouble(), before);
            MLIndividualCenterView centre;
            centre.refreshData();
            QTRY_VERIFY(centre.tableView()->numberOfRows() > 0);
            auto *card = qobject_cast<MLIndividualCenterSetMealView *>(centre.tableView()->viewAtRow(0));
            QCOMPARE(card->setMealLabel()->text(), QStringLiteral("2小时体验包"));
            QCOMPARE(card->timeLabel()->text(), QStringLiteral("剩余时长：2小时"));
        }
    }
};

ML_TEST_MAIN(TestOffers)
#include "tst_offers.moc"
