#pragma once

#include "billing/MLQrcodePointRechargeAliOrderModel.h"
#include "ui/widgets/MLPageView.h"
#include "ui/widgets/MLRoundedPanelView.h"

#include <QImage>
#include <QJsonObject>
#include <QJsonValue>
#include <QPointer>

#include <optional>

class MLWebImageView;
class QLabel;
class QPushButton;

// What the two purchase pages (points and packages) share: the white card with the bottom bar (banner,
// price to pay, original price struck through), the pay-method choice (Alipay or WeChat), "立即充值",
// which creates a payment order for the selected offer, and the overlay that shows the order's QR code
// until it is closed. Each page has its own choice, overlay and last order.
//
// The overlay lies over the application window's content view (over the page itself when there is no
// application window) and lives as long as the page.
class MLRechargeBaseView : public MLPageView {
    Q_OBJECT
public:
    ~MLRechargeBaseView() override;

    // The purchase pages load their offers once, when made; showing the tab again reloads nothing.
    void refreshData() override {}

    // Pay method: YES Alipay, NO WeChat.
    bool iszfb() const { return m_iszfb; }
    const std::optional<MLQrcodePointRechargeAliOrderModel> &qrcodeModel() const { return m_qrcodeModel; }

    // Click handlers.
    void zfbBtnClick();
    void wxBtnClick();
    void chargetBtnClick();
    void closeImageClick();
    void paymentCompletionClick();
    void windowBgContentViewClick() {}

    // The path and the plain JSON parameters of an order for the selected offer.
    virtual QString orderPath(bool iszfb) const = 0;
    virtual QJsonObject orderParameters() const = 0;

    bool isPaymentOverlayShown() const;

    QWidget *bgView() const { return m_bgView; }
    QWidget *contentView() const { return m_contentView; }
    QWidget *buttomView() const { return m_buttomView; }
    QWidget *pointView() const { return m_pointView; }
    QLabel *showTipLabel() const { return m_showTipLabel; }
    QLabel *discountAmountLabel() const { return m_discountAmountLabel; }
    QLabel *originalPriceLabel() const { return m_originalPriceLabel; }
    MLWebImageView *zfbSImageView() const { return m_zfbSImageView; }
    MLWebImageView *zfbImageView() const { return m_zfbImageView; }
    MLWebImageView *wxSImageView() const { return m_wxSImageView; }
    MLWebImageView *wxImageView() const { return m_wxImageView; }
    QPushButton *chargetBtn() const { return m_chargetBtn; }
    QWidget *windowBgView() const { return m_windowBgView; }
    QWidget *windowBgContentView() const { return m_windowBgContentView.data(); }
    QLabel *paymentShowTipLabel() const { return m_paymentShowTipLabel; }
    MLWebImageView *closeImage() const { return m_closeImage; }
    MLWebImageView *qRCodeImage() const { return m_qRCodeImage; }
    QPushButton *paymentCompletionBtn() const { return m_paymentCompletionBtn; }

    // The QR text of an order answer without its data-URL prefix ("data:image/jpg;base64," wherever
    // it occurs, and any other "data:...;base64," header in front).
    static QString strippedQrcodeBase64(const QString &text);
    // The image in Base64 text (characters outside the Base64 alphabet are skipped); null when the
    // bytes are not an image.
    static QImage imageFromBase64(const QString &text);

    // Parameter helpers of the orders: absent (null) values are left out; "" goes back as "".
    static void insertText(QJsonObject &parameters, const QString &key, const QString &value);
    static QString currentAccountNum();

protected:
    MLRechargeBaseView(const QString &bannerText, QWidget *parent);

    // "合计:¥<current>" and "原价:¥<original>" (struck through).
    void setPrices(const QString &currentPrice, const QString &originalPrice);

private:
    void creatUI(const QString &bannerText);
    void creatPaymentOverlay();
    void layoutUI();
    void layoutPaymentOverlay();
    void bindAction();
    void showOrder(const QJsonValue &dt, bool zfb);
    void setPaymentOverlayHidden(bool hidden);

    bool m_iszfb = true;
    std::optional<MLQrcodePointRechargeAliOrderModel> m_qrcodeModel;

    MLRoundedPanelView *m_bgView = nullptr;
    MLRoundedPanelView *m_contentView = nullptr;
    QWidget *m_buttomView = nullptr;
    QWidget *m_pointView = nullptr;
    MLWebImageView *m_iconImageView = nullptr;
    QLabel *m_showTipLabel = nullptr;
    QLabel *m_discountAmountLabel = nullptr;
    QLabel *m_originalPriceLabel = nullptr;
    MLWebImageView *m_zfbSImageView = nullptr;
    MLWebImageView *m_zfbImageView = nullptr;
    MLWebImageView *m_wxSImageView = nullptr;
    MLWebImageView *m_wxImageView = nullptr;
    QPushButton *m_chargetBtn = nullptr;

    QPointer<QWidget> m_windowBgView;
    QPointer<MLRoundedPanelView> m_windowBgContentView;
    QLabel *m_paymentShowTipLabel = nullptr;
    MLWebImageView *m_closeImage = nullptr;
    MLWebImageView *m_qRCodeImage = nullptr;
    QPushButton *m_paymentCompletionBtn = nullptr;
};
