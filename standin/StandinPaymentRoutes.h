#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

class StandinServer;

// The payment origin's routes (under "/pay"): the offer lists ("/websitePay/getSetmealList",
// "/websitePay/getPointList", fixture "offers") and the four QR payment orders. An order is checked
// against the offer list (the client must send the offer's texts as they were given), kept on its
// account as waiting for payment, and answered with its number and a QR image (JPEG, Base64 behind a
// data-URL prefix) of the address a payer opens: "/pay/websitePay/scanPay?outTradeNo=...". Opening it,
// or payOrder(), marks the order paid and credits the account: points to the balance and a top-up row,
// or a package to the owned packages and a top-up row.
class StandinPaymentRoutes final {
public:
    static void install(StandinServer &server);

    // Marks the order paid and credits its account, once; false for an unknown order.
    static bool payOrder(StandinServer &server, const QString &outTradeNo);
    // "WAIT_PAY" or "PAID"; empty for an unknown order.
    static QString orderState(StandinServer &server, const QString &outTradeNo);
    // What the order's QR code says.
    static QUrl scanUrl(StandinServer &server, const QString &outTradeNo);
    // The QR code of `text` as image bytes (JPEG, PNG when JPEG cannot be written).
    static QByteArray qrcodeImage(const QByteArray &text);

    static constexpr const char *kWaitPay = "WAIT_PAY";
    static constexpr const char *kPaid = "PAID";
};
