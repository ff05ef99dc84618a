#include "StandinPaymentRoutes.h"

#include "StandinBillingRoutes.h"
#include "StandinServer.h"

#include <QBuffer>
#include <QDateTime>
#include <QImage>
#include <QImageWriter>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QUrlQuery>

#include <qrencode.h>

namespace {

const QString kOrders = QStringLiteral("orders");
const QString kScanPath = QStringLiteral("/websitePay/scanPay");

QJsonObject offers(StandinServer &server) {
    return server.state().fixture(QStringLiteral("offers")).toObject();
}

QJsonObject findSetmeal(StandinServer &server, qint64 setmealId) {
    const QJsonArray categories = offers(server).value(QStringLiteral("setmealCategories")).toArray();
    for (const QJsonValue &category : categories) {
        for (const QJsonValue &offer :
             category.toObject().value(QStringLiteral("setmealDetailsList")).toArray()) {
            if (offer.toObject().value(QStringLiteral("setmealId")).toInteger() == setmealId)
                return offer.toObject();
        }
    }
    return {};
}

QJsonObject findPointOffer(StandinServer &server, qint64 pointId) {
    const QJsonObject points = offers(server).value(QStringLiteral("points")).toObject();
    for (const QJsonValue &group : points.value(QStringLiteral("pointDetailsList")).toArray()) {
        for (const QJsonValue &offer : group.toArray()) {
            if (offer.toObject().value(QStringLiteral("pointId")).toInteger() == pointId)
                return offer.toObject();
        }
    }
    return {};
}

QString text(const QJsonObject &object, const QString &key) {
    return object.value(key).toString();
}

StandinReply refuse(const QString &message) {
    return StandinReply::failure(QStringLiteral("DIA007"), message);
}

QString newTradeNo(const QString &prefix) {
    return prefix + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmsszzz")) +
           QString::number(QRandomGenerator::global()->bounded(100000, 1000000));
}

// Finds the account holding the order.
StandinAccount *accountOfOrder(StandinServer &server, const QString &outTradeNo) {
    if (outTradeNo.isEmpty())
        return nullptr;
    for (qint64 id : server.state().consumerIds()) {
        StandinAccount *account = server.state().account(id);
        if (account && account->data.value(kOrders).toObject().contains(outTradeNo))
            return account;
    }
    return nullptr;
}

QString durationText(qint64 seconds) {
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds % 3600 / 60;
    if (minutes == 0)
        return QStringLiteral("%1小时").arg(hours);
    return QStringLiteral("%1小时%2分钟").arg(hours).arg(minutes, 2, 10, QLatin1Char('0'));
}

// Creates the order on the account it recharges and answers its number and QR image.
StandinReply createOrder(StandinServer &server, const StandinRequest &request, const QJsonObject &order) {
    const QString accountNum = text(request.params, QStringLiteral("accountNum"));
    if (accountNum.isEmpty())
        return refuse(QStringLiteral("充值账号不能为空"));
    StandinAccount *target = server.state().accountByNumber(accountNum);
    if (!target)
        return refuse(QStringLiteral("充值账号不存在"));
    const QString tradeNo = newTradeNo(
        order.value(QStringLiteral("kind")).toString() == QLatin1String("point") ? QStringLiteral("MLP")
                                                                                 : QStringLiteral("MLS"));
    QJsonObject stored = order;
    stored.insert(QStringLiteral("state"), QLatin1String(StandinPaymentRoutes::kWaitPay));
    stored.insert(QStringLiteral("createTime"), QDateTime::currentMSecsSinceEpoch());
    QJsonObject orders = target->data.value(kOrders).toObject();
    orders.insert(tradeNo, stored);
    target->data.insert(kOrders, orders);

    const QByteArray image =
        StandinPaymentRoutes::qrcodeImage(StandinPaymentRoutes::scanUrl(server, tradeNo).toEncoded());
    return StandinReply::success(QJsonObject{
        {QStringLiteral("outTradeNo"), tradeNo},
        {QStringLiteral("qrcodeBase64"),
         QString(QStringLiteral("data:image/jpg;base64,") + QString::fromLatin1(image.toBase64()))},
    });
}

StandinReply createPointOrder(StandinServer &server, const StandinRequest &request,
                              const QString &payMethod) {
    const QJsonObject &p = request.params;
    const QJsonObject offer = findPointOffer(server, p.value(QStringLiteral("pointId")).toInteger());
    if (offer.isEmpty())
        return refuse(QStringLiteral("充值金额不存在"));
    if (text(p, QStringLiteral("paySum")) != text(offer, QStringLiteral("payMoneyStr")) ||
        text(p, QStringLiteral("originalPrice")) != text(offer, QStringLiteral("priceStr")) ||
        text(p, QStringLiteral("rechargePoint")) != text(offer, QStringLiteral("pointStr")) ||
        text(p, QStringLiteral("payDiscount")) != text(offer, QStringLiteral("discountStr")))
        return refuse(QStringLiteral("订单金额有误，请刷新后重试"));
    return createOrder(server, request,
                       QJsonObject{{QStringLiteral("kind"), QStringLiteral("point")},
                                   {QStringLiteral("payMethod"), payMethod},
                                   {QStringLiteral("pointId"), offer.value(QStringLiteral("pointId"))},
                                   {QStringLiteral("points"), offer.value(QStringLiteral("pointStr"))},
                                   {QStringLiteral("paySum"), offer.value(QStringLiteral("payMoneyStr"))}});
}

StandinReply createSetmealOrder(StandinServer &server, const StandinRequest &request,
                                const QString &payMethod) {
    const QJsonObject &p = request.params;
    const QJsonObject offer = findSetmeal(server, p.value(QStringLiteral("setmealId")).toInteger());
    if (offer.isEmpty())
        return refuse(QStringLiteral("套餐不存在"));
    if (text(p, QStringLiteral("currentPrice")) != text(offer, QStringLiteral("currentPriceStr")) ||
        text(p, QStringLiteral("origPrice")) != text(offer, QStringLiteral("origPriceStr")))
        return refuse(QStringLiteral("订单金额有误，请刷新后重试"));
    return createOrder(
        server, request,
        QJsonObject{{QStringLiteral("kind"), QStringLiteral("setmeal")},
                    {QStringLiteral("payMethod"), payMethod},
                    {QStringLiteral("setmealId"), offer.value(QStringLiteral("setmealId"))},
                    {QStringLiteral("paySum"), offer.value(QStringLiteral("currentPriceStr"))}});
}

// Credits a paid order to its account.
void credit(StandinServer &server, StandinAccount &account, const QString &tradeNo,
            const QJsonObject &order) {
    const QDateTime now = QDateTime::currentDateTime();
    const bool alipay = order.value(QStringLiteral("payMethod")).toString() == QLatin1String("alipay");
    QJsonObject recharge{
        {QStringLiteral("rechargeId"), now.toMSecsSinceEpoch()},
        {QStringLiteral("createTime"), QString::number(now.toMSecsSinceEpoch())},
        {QStringLiteral("createTimeStr"), now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))},
        {QStringLiteral("outTradeNo"), tradeNo},
    };
    if (order.value(QStringLiteral("kind")).toString() == QLatin1String("point")) {
        const QString points = order.value(QStringLiteral("points")).toString();
        account.profile.balanceStr =
            StandinAccount::balanceText(account.profile.balanceStr.toDouble() + points.toDouble());
        recharge.insert(QStringLiteral("rechargeType"), alipay ? 1 : 2);
        recharge.insert(QStringLiteral("rechargeTypeStr"),
                        alipay ? QStringLiteral("支付宝充值") : QStringLiteral("微信充值"));
        recharge.insert(QStringLiteral("rechargeMoneyStr"), QStringLiteral("+%1点").arg(points));
    } else {
        const QJsonObject offer = findSetmeal(server, order.value(QStringLiteral("setmealId")).toInteger());
        const qint64 days = text(offer, QStringLiteral("dayNum")).remove(QStringLiteral("天")).toLongLong();
        StandinBillingRoutes::prependSetmeal(
            account, QJsonObject{{QStringLiteral("setmealName"), offer.value(QStringLiteral("setmealName"))},
                                 {QStringLiteral("surplusDurationStr"),
                                  durationText(offer.value(QStringLiteral("duration")).toInteger())},
                                 {QStringLiteral("endDate"),
                                  now.date().addDays(days).toString(QStringLiteral("yyyy-MM-dd"))},
                                 {QStringLiteral("icon"), offer.value(QStringLiteral("setmealImg"))}});
        recharge.insert(QStringLiteral("rechargeType"), 3);
        recharge.insert(QStringLiteral("rechargeTypeStr"), QStringLiteral("套餐购买"));
        recharge.insert(QStringLiteral("rechargeMoneyStr"), offer.value(QStringLiteral("setmealName")));
    }
    recharge.insert(QStringLiteral("balanceStr"), account.profile.balanceStr);
    StandinBillingRoutes::prependRecharge(account, recharge);
}

} // namespace

QByteArray StandinPaymentRoutes::qrcodeImage(const QByteArray &text) {
    QRcode *code = QRcode_encodeString(text.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!code)
        return {};
    constexpr int kModule = 8;
    constexpr int kQuiet = 4;
    const int side = (code->width + 2 * kQuiet) * kModule;
    QImage image(side, side, QImage::Format_Grayscale8);
    image.fill(255);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            if (!(code->data[y * code->width + x] & 1))
                continue;
            for (int dy = 0; dy < kModule; ++dy) {
                uchar *line = image.scanLine((y + kQuiet) * kModule + dy);
                std::fill_n(line + (x + kQuiet) * kModule, kModule, uchar(0));
            }
        }
    }
    QRcode_free(code);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const bool jpeg = QImageWriter::supportedImageFormats().contains("jpg");
    image.save(&buffer, jpeg ? "JPG" : "PNG", jpeg ? 95 : -1);
    return buffer.data();
}

QUrl StandinPaymentRoutes::scanUrl(StandinServer &server, const QString &outTradeNo) {
    QUrl url(server.payBaseUrl().toString() + kScanPath);
    url.setQuery(QUrlQuery{{QStringLiteral("outTradeNo"), outTradeNo}});
    return url;
}

QString StandinPaymentRoutes::orderState(StandinServer &server, const QString &outTradeNo) {
    StandinAccount *account = accountOfOrder(server, outTradeNo);
    if (!account)
        return {};
    return account->data.value(kOrders)
        .toObject()
        .value(outTradeNo)
        .toObject()
        .value(QStringLiteral("state"))
        .toString();
}

bool StandinPaymentRoutes::payOrder(StandinServer &server, const QString &outTradeNo) {
    StandinAccount *account = accountOfOrder(server, outTradeNo);
    if (!account)
        return false;
    QJsonObject orders = account->data.value(kOrders).toObject();
    QJsonObject order = orders.value(outTradeNo).toObject();
    if (order.value(QStringLiteral("state")).toString() == QLatin1String(kPaid))
        return true;
    order.insert(QStringLiteral("state"), QLatin1String(kPaid));
    orders.insert(outTradeNo, order);
    account->data.insert(kOrders, orders);
    credit(server, *account, outTradeNo, order);
    return true;
}

void StandinPaymentRoutes::install(StandinServer &server) {
    server.payRoute(QStringLiteral("/websitePay/getSetmealList"), [&server](const StandinRequest &) {
        return StandinReply::success(offers(server).value(QStringLiteral("setmealCategories")).toArray());
    });
    server.payRoute(QStringLiteral("/websitePay/getPointList"), [&server](const StandinRequest &) {
        return StandinReply::success(offers(server).value(QStringLiteral("points")).toObject());
    });

    const QString alipay = QStringLiteral("alipay");
    const QString wechat = QStringLiteral("wechat");
    server.payRoute(
        QStringLiteral("/websitePay/createQrcodeSetmealRechargeAliOrder2"),
        [&server, alipay](const StandinRequest &r) { return createSetmealOrder(server, r, alipay); });
    server.payRoute(
        QStringLiteral("/websitePay/createQrcodeSetmealRechargeWxOrder"),
        [&server, wechat](const StandinRequest &r) { return createSetmealOrder(server, r, wechat); });
    server.payRoute(
        QStringLiteral("/websitePay/createQrcodePointRechargeAliOrder2"),
        [&server, alipay](const StandinRequest &r) { return createPointOrder(server, r, alipay); });
    server.payRoute(
        QStringLiteral("/websitePay/createWebsiteRechargeWxOrder"),
        [&server, wechat](const StandinRequest &r) { return createPointOrder(server, r, wechat); });

    // What a payer's phone opens after scanning: pays the order and says so.
    server.route(
        QLatin1String(StandinServer::kPayPrefix) + kScanPath,
        [&server](const StandinRequest &request) {
            const QString tradeNo = request.query.queryItemValue(QStringLiteral("outTradeNo"));
            const bool paid = payOrder(server, tradeNo);
            const QString page =
                QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title>"
                               "</head><body><h1>%1</h1></body></html>")
                    .arg(paid ? QStringLiteral("支付成功") : QStringLiteral("订单不存在"));
            return StandinReply::raw(page.toUtf8(), QByteArrayLiteral("text/html; charset=utf-8"),
                                     paid ? 200 : 404);
        },
        StandinRouteKind::Raw, false);
}
