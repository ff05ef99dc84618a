#include "billing/MLPointRechargeView.h"

#include "billing/MLBillingLook.h"
#include "billing/MLOfferButton.h"
#include "core/net/MLNetRequestRechargeManager.h"
#include "platform/kit/ui/MLAnchors.h"
#include "ui/widgets/MLLook.h"

#include <QLabel>

MLPointRechargeView::MLPointRechargeView(QWidget *parent)
    : MLRechargeBaseView(QStringLiteral("限时活动，充值优惠9折起~"), parent) {
    creatUI();
    layoutUI();
    networkRequest();
}

void MLPointRechargeView::creatUI() {
    m_topTipLabel = new QLabel(contentView());
    m_topTipLabel->setTextFormat(Qt::RichText);
    m_topTipLabel->setFont(MLLook::systemFont(14));
    MLLook::setTextColor(m_topTipLabel, QStringLiteral("#474646"));
    m_topTipLabel->setText(
        QStringLiteral("请选择充值金额<span style=\"color:#959595\">（1元=1点，点数可通用所有功能）</span>"));
}

void MLPointRechargeView::layoutUI() {
    MLAnchors::make(m_topTipLabel, [](MLConstraintMaker &m) {
        m.left().offset(20);
        m.top().offset(15);
    });
    MLAnchors::make(pointView(), [this](MLConstraintMaker &m) {
        m.centerX();
        m.top().equalTo(m_topTipLabel, MLEdge::Bottom).offset(15);
        m.bottom().equalTo(buttomView(), MLEdge::Top).offset(-15);
        m.width(kGridWidth);
    });
}

void MLPointRechargeView::networkRequest() {
    MLNetRequestRechargeManager::sharedService().postUrl(
        QStringLiteral("/websitePay/getPointList"), QJsonObject(),
        [this](const QJsonObject &answer) {
            std::optional<MLGetPointDetailsModel> model =
                ml::json::fromJson<MLGetPointDetailsModel>(answer.value(QStringLiteral("dt")));
            if (!model) {
                MLBillingLook::showFailure(QStringLiteral("数据格式异常"));
                return;
            }
            model->flattenPointList();
            m_model = std::move(model);
            if (m_model->pointList.isEmpty())
                return;
            initDefaultValue(0);
            setPoinView();
        },
        [](const QString &message, const QString &) { MLBillingLook::showFailure(message); }, this);
}

void MLPointRechargeView::initDefaultValue(qint64 index) {
    if (!m_model || index < 0 || index >= m_model->pointList.size())
        return;
    const MLGetPointDetailsList &offer = m_model->pointList[index];
    setPrices(offer.payMoneyStr, offer.priceStr);
}

QString MLPointRechargeView::buttonTitle(const QString &pointStr) {
    return MLBillingLook::escaped(pointStr) +
           QStringLiteral("<span style=\"font-size:12px; font-weight:normal\">点</span>");
}

void MLPointRechargeView::setPoinView() {
    qDeleteAll(m_buttons);
    m_buttons.clear();
    m_seletedBtn = nullptr;
    if (!m_model)
        return;
    for (qsizetype i = 0; i < m_model->pointList.size(); ++i) {
        auto *button = new MLOfferButton(i, buttonTitle(m_model->pointList[i].pointStr), pointView());
        button->titleLabel()->setFont(MLLook::systemFont(18, true));
        button->setGeometry(MLOfferButton::gridRect(i, kGridWidth));
        connect(button, &MLOfferButton::clicked, this, [this, button] { btnClick(button); });
        button->show();
        m_buttons.append(button);
    }
    if (!m_buttons.isEmpty()) {
        m_seletedBtn = m_buttons.first();
        m_seletedBtn->setSeletedLook(true);
    }
}

void MLPointRechargeView::btnClick(MLOfferButton *button) {
    if (!button)
        return;
    if (m_seletedBtn)
        m_seletedBtn->setSeletedLook(false);
    button->setSeletedLook(true);
    m_seletedBtn = button;
    initDefaultValue(button->tag());
}

QString MLPointRechargeView::orderPath(bool iszfb) const {
    return iszfb ? QStringLiteral("/websitePay/createQrcodePointRechargeAliOrder2")
                 : QStringLiteral("/websitePay/createWebsiteRechargeWxOrder");
}

QJsonObject MLPointRechargeView::orderParameters() const {
    QJsonObject parameters;
    insertText(parameters, QStringLiteral("accountNum"), currentAccountNum());
    const qint64 index = m_seletedBtn ? m_seletedBtn->tag() : 0;
    qint64 pointId = 0;
    if (m_model && index >= 0 && index < m_model->pointList.size()) {
        const MLGetPointDetailsList &offer = m_model->pointList[index];
        insertText(parameters, QStringLiteral("originalPrice"), offer.priceStr);
        insertText(parameters, QStringLiteral("payDiscount"), offer.discountStr);
        insertText(parameters, QStringLiteral("paySum"), offer.payMoneyStr);
        insertText(parameters, QStringLiteral("rechargePoint"), offer.pointStr);
        pointId = offer.pointId;
    }
    parameters.insert(QStringLiteral("pointId"), pointId);
    return parameters;
}
