#include "billing/MLRechargeBaseView.h"

#include "billing/MLBillingLook.h"
#include "core/net/MLNetRequestRechargeManager.h"
#include "core/session/MLUserManager.h"
#include "platform/imageloader/MLWebImageView.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"
#include "platform/kit/ui/MLAnchors.h"
#include "platform/kit/ui/MLClickRecognizer.h"
#include "ui/util/MLColorUtils.h"
#include "ui/widgets/MLLook.h"
#include "ui/widgets/MLRoundedPanelView.h"

#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>
#include <QRegularExpression>

Q_LOGGING_CATEGORY(lcRecharge, "ml.billing.recharge")

namespace {

// Line heights of the bottom bar's texts (20 and 16 points): the bar is only 100 high, and fonts
// with tall line spacing would push the original price out of it.
constexpr int kLineHeight = 24;
constexpr int kSmallLineHeight = 19;

const QString kSelectMark = QStringLiteral("icon_login_select");
const QString kUnselectMark = QStringLiteral("icon_login_unselect");

MLWebImageView *makeImage(QWidget *parent, const QString &assetName) {
    auto *view = new MLWebImageView(parent);
    view->setImageNamed(assetName);
    return view;
}

} // namespace

MLRechargeBaseView::MLRechargeBaseView(const QString &bannerText, QWidget *parent)
    : MLPageView(parent) {
    creatUI(bannerText);
    layoutUI();
    bindAction();
    m_iszfb = true;
}

MLRechargeBaseView::~MLRechargeBaseView() {
    // The overlay lies outside the page (on the window's content view); it goes with the page.
    delete m_windowBgContentView;
    delete m_windowBgView;
}

void MLRechargeBaseView::creatUI(const QString &bannerText) {
    m_bgView = new MLRoundedPanelView(MLBillingLook::color(QStringLiteral("F8FAFF")), 10, this,
                                      MLRoundedPanelView::ClipsChildren);
    m_contentView = new MLRoundedPanelView(MLBillingLook::color(QStringLiteral("FFFFFF")), 10, m_bgView,
                                           MLRoundedPanelView::ClipsChildren);
    m_pointView = new QWidget(m_contentView);
    m_buttomView = new QWidget(m_contentView);

    m_iconImageView = makeImage(m_buttomView, QStringLiteral("recharge_icon"));
    m_showTipLabel = MLLook::makeLabel(m_buttomView, 20, QStringLiteral("#FF7E00"), bannerText, true);
    m_discountAmountLabel = MLLook::makeLabel(m_buttomView, 20, QStringLiteral("#FF7E00"), {}, true);
    m_originalPriceLabel = MLLook::makeLabel(m_buttomView, 16, QStringLiteral("#646464"));
    QFont struck = m_originalPriceLabel->font();
    struck.setStrikeOut(true);
    m_originalPriceLabel->setFont(struck);
    setPrices(QStringLiteral("0"), QStringLiteral("0"));

    m_chargetBtn = new QPushButton(QStringLiteral("立即充值"), m_buttomView);
    m_chargetBtn->setFont(MLLook::systemFont(17));
    m_chargetBtn->setCursor(Qt::PointingHandCursor);
    m_chargetBtn->setFocusPolicy(Qt::NoFocus);
    m_chargetBtn->setStyleSheet(QStringLiteral(
        "QPushButton { color: #ffffff; background: #6193F5; border: none; border-radius: 16px; }"));
    m_wxImageView = makeImage(m_buttomView, QStringLiteral("wx_icon"));
    m_wxSImageView = makeImage(m_buttomView, kUnselectMark);
    m_zfbImageView = makeImage(m_buttomView, QStringLiteral("zfb_icon"));
    m_zfbSImageView = makeImage(m_buttomView, kSelectMark);

    creatPaymentOverlay();
}

void MLRechargeBaseView::creatPaymentOverlay() {
    QWidget *host = MLBillingLook::contentView();
    if (!host)
        host = this;
    m_windowBgView = new QWidget(host);
    m_windowBgView->setObjectName(QStringLiteral("windowBgView"));
    m_windowBgView->setAutoFillBackground(true);
    QPalette palette = m_windowBgView->palette();
    palette.setColor(QPalette::Window, QColor(0, 0, 0, qRound(255 * 0.4)));
    m_windowBgView->setPalette(palette);

    m_windowBgContentView = new MLRoundedPanelView(MLBillingLook::color(QStringLiteral("FFFFFF")), 10, host,
                                                   MLRoundedPanelView::ClipsChildren);
    m_windowBgContentView->setObjectName(QStringLiteral("windowBgContentView"));
    m_paymentShowTipLabel = MLLook::makeLabel(m_windowBgContentView, 25, QStringLiteral("#646464"),
                                              QStringLiteral("支付宝扫码支付"), true);
    m_closeImage = makeImage(m_windowBgContentView, QStringLiteral("payment_close_icon"));
    m_closeImage->setCursor(Qt::PointingHandCursor);
    m_qRCodeImage = new MLWebImageView(m_windowBgContentView);
    m_qRCodeImage->setBackgroundColor(MLColorUtils::randomColor());
    m_paymentCompletionBtn = new QPushButton(QStringLiteral("支付完成"), m_windowBgContentView);
    m_paymentCompletionBtn->setFont(MLLook::systemFont(17));
    m_paymentCompletionBtn->setCursor(Qt::PointingHandCursor);
    m_paymentCompletionBtn->setFocusPolicy(Qt::NoFocus);
    m_paymentCompletionBtn->setStyleSheet(
        QStringLiteral("QPushButton { color: #0175FF; background: transparent; border: 1px solid #0175FF; "
                       "border-radius: 25px; }"));

    m_windowBgView->hide();
    m_windowBgContentView->hide();
}

void MLRechargeBaseView::layoutUI() {
    MLAnchors::make(m_bgView, [](MLConstraintMaker &m) { m.edges(15); });
    MLAnchors::make(m_contentView, [](MLConstraintMaker &m) { m.edges(2); });
    MLAnchors::make(m_buttomView, [](MLConstraintMaker &m) {
        m.left();
        m.right();
        m.bottom();
        m.height(100);
    });
    MLAnchors::make(m_iconImageView, [](MLConstraintMaker &m) {
        m.left().offset(20);
        m.top().offset(10);
        m.size(30, 21);
    });
    MLAnchors::make(m_showTipLabel, [this](MLConstraintMaker &m) {
        m.left().equalTo(m_iconImageView, MLEdge::Right).offset(5);
        m.centerY().equalTo(m_iconImageView);
        m.height(kLineHeight);
    });
    MLAnchors::make(m_discountAmountLabel, [this](MLConstraintMaker &m) {
        m.left().equalTo(m_iconImageView);
        m.top().equalTo(m_showTipLabel, MLEdge::Bottom).offset(8);
        m.height(kLineHeight);
    });
    MLAnchors::make(m_originalPriceLabel, [this](MLConstraintMaker &m) {
        m.left().equalTo(m_discountAmountLabel);
        m.top().equalTo(m_discountAmountLabel, MLEdge::Bottom).offset(8);
        m.height(kSmallLineHeight);
    });
    MLAnchors::make(m_chargetBtn, [this](MLConstraintMaker &m) {
        m.right().offset(-40);
        m.centerY().equalTo(m_discountAmountLabel);
        m.size(105, 32);
    });
    MLAnchors::make(m_wxImageView, [this](MLConstraintMaker &m) {
        m.right().equalTo(m_chargetBtn, MLEdge::Left).offset(-30);
        m.centerY().equalTo(m_chargetBtn);
        m.size(93, 21);
    });
    MLAnchors::make(m_wxSImageView, [this](MLConstraintMaker &m) {
        m.right().equalTo(m_wxImageView, MLEdge::Left).offset(-10);
        m.centerY().equalTo(m_wxImageView);
        m.size(15, 15);
    });
    MLAnchors::make(m_zfbImageView, [this](MLConstraintMaker &m) {
        m.right().equalTo(m_wxImageView, MLEdge::Left).offset(-60);
        m.centerY().equalTo(m_chargetBtn);
        m.size(71, 25);
    });
    MLAnchors::make(m_zfbSImageView, [this](MLConstraintMaker &m) {
        m.right().equalTo(m_zfbImageView, MLEdge::Left).offset(-10);
        m.centerY().equalTo(m_zfbImageView);
        m.size(15, 15);
    });
    layoutPaymentOverlay();
}

void MLRechargeBaseView::layoutPaymentOverlay() {
    MLAnchors::make(m_windowBgView, [](MLConstraintMaker &m) { m.edges(); });
    MLAnchors::make(m_windowBgContentView, [this](MLConstraintMaker &m) {
        m.center(m_windowBgView);
        m.size(400, 500);
    });
    MLAnchors::make(m_paymentShowTipLabel, [](MLConstraintMaker &m) {
        m.top().offset(40);
        m.centerX();
    });
    MLAnchors::make(m_closeImage, [this](MLConstraintMaker &m) {
        m.right().offset(-20);
        m.centerY().equalTo(m_paymentShowTipLabel);
        m.size(32, 32);
    });
    MLAnchors::make(m_qRCodeImage, [](MLConstraintMaker &m) {
        m.center();
        m.size(230, 230);
    });
    MLAnchors::make(m_paymentCompletionBtn, [](MLConstraintMaker &m) {
        m.left().offset(20);
        m.right().offset(-20);
        m.bottom().offset(-30);
        m.height(50);
    });
}

void MLRechargeBaseView::bindAction() {
    MLClickRecognizer::attach(m_zfbSImageView, this, [this] { zfbBtnClick(); });
    MLClickRecognizer::attach(m_zfbImageView, this, [this] { zfbBtnClick(); });
    MLClickRecognizer::attach(m_wxSImageView, this, [this] { wxBtnClick(); });
    MLClickRecognizer::attach(m_wxImageView, this, [this] { wxBtnClick(); });
    connect(m_chargetBtn, &QPushButton::clicked, this, [this] { chargetBtnClick(); });
    MLClickRecognizer::attach(m_closeImage, this, [this] { closeImageClick(); });
    connect(m_paymentCompletionBtn, &QPushButton::clicked, this, [this] { paymentCompletionClick(); });
    MLClickRecognizer::attach(m_windowBgContentView, this, [this] { windowBgContentViewClick(); });
}

void MLRechargeBaseView::setPrices(const QString &currentPrice, const QString &originalPrice) {
    m_discountAmountLabel->setText(QStringLiteral("合计:¥") + currentPrice);
    m_originalPriceLabel->setText(QStringLiteral("原价:¥") + originalPrice);
    m_discountAmountLabel->adjustSize();
    m_originalPriceLabel->adjustSize();
}

void MLRechargeBaseView::zfbBtnClick() {
    if (m_iszfb)
        return;
    m_iszfb = true;
    m_wxSImageView->setImageNamed(kUnselectMark);
    m_zfbSImageView->setImageNamed(kSelectMark);
}

void MLRechargeBaseView::wxBtnClick() {
    if (!m_iszfb)
        return;
    m_iszfb = false;
    m_zfbSImageView->setImageNamed(kUnselectMark);
    m_wxSImageView->setImageNamed(kSelectMark);
}

void MLRechargeBaseView::chargetBtnClick() {
    // The order's pay method is the one chosen now; the answer is shown under it even if the choice
    // changes while the order is under way.
    const bool zfb = m_iszfb;
    MLNetRequestRechargeManager::sharedService().postUrl(
        orderPath(zfb), orderParameters(),
        [this, zfb](const QJsonObject &answer) { showOrder(answer.value(QStringLiteral("dt")), zfb); },
        [](const QString &message, const QString &) { MLBillingLook::showFailure(message); }, this);
}

void MLRechargeBaseView::showOrder(const QJsonValue &dt, bool zfb) {
    std::optional<MLQrcodePointRechargeAliOrderModel> model =
        ml::json::fromJson<MLQrcodePointRechargeAliOrderModel>(dt);
    QImage image;
    if (model) {
        model->qrcodeBase64 = strippedQrcodeBase64(model->qrcodeBase64);
        image = imageFromBase64(model->qrcodeBase64);
    }
    if (image.isNull()) {
        // An order without a code to scan cannot be paid: say so instead of showing an empty overlay.
        qCWarning(lcRecharge) << "order answer without a usable QR image";
        MLBillingLook::showFailure(QStringLiteral("数据格式异常"));
        return;
    }
    m_qrcodeModel = std::move(model);
    m_paymentShowTipLabel->setText(zfb ? QStringLiteral("支付宝扫码支付") : QStringLiteral("微信扫码支付"));
    m_paymentShowTipLabel->adjustSize();
    m_qRCodeImage->setImage(image);
    setPaymentOverlayHidden(false);
}

void MLRechargeBaseView::closeImageClick() {
    setPaymentOverlayHidden(true);
}

void MLRechargeBaseView::paymentCompletionClick() {
    MLNotificationCenter::defaultCenter().postNotificationName(MLNotificationNames::kIndividualCenter);
    closeImageClick();
}

void MLRechargeBaseView::setPaymentOverlayHidden(bool hidden) {
    if (!m_windowBgView || !m_windowBgContentView)
        return;
    m_windowBgView->setHidden(hidden);
    m_windowBgContentView->setHidden(hidden);
    if (!hidden) {
        m_windowBgView->raise();
        m_windowBgContentView->raise();
        MLAnchors::layoutIfNeeded(m_windowBgView->parentWidget());
    }
}

bool MLRechargeBaseView::isPaymentOverlayShown() const {
    return m_windowBgView && m_windowBgContentView && !m_windowBgView->isHidden() &&
           !m_windowBgContentView->isHidden();
}

QString MLRechargeBaseView::strippedQrcodeBase64(const QString &text) {
    QString stripped = text;
    stripped.remove(QStringLiteral("data:image/jpg;base64,"));
    static const QRegularExpression dataUrlHeader(QStringLiteral("^\\s*data:[^,]*;base64,"));
    stripped.remove(dataUrlHeader);
    return stripped;
}

QImage MLRechargeBaseView::imageFromBase64(const QString &text) {
    const QByteArray bytes = QByteArray::fromBase64(text.toLatin1());
    if (bytes.isEmpty())
        return {};
    return QImage::fromData(bytes);
}

void MLRechargeBaseView::insertText(QJsonObject &parameters, const QString &key, const QString &value) {
    if (!value.isNull())
        parameters.insert(key, value);
}

QString MLRechargeBaseView::currentAccountNum() {
    const auto &account = MLUserManager::sharedManager().currentMineUser();
    return account ? account->accountNum : QString();
}
