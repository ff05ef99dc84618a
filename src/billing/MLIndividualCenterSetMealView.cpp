#include "billing/MLIndividualCenterSetMealView.h"

#include "billing/MLBillingLook.h"
#include "platform/imageloader/MLWebImageView.h"
#include "platform/kit/ui/MLAnchors.h"
#include "ui/widgets/MLLook.h"
#include "ui/widgets/MLRoundedPanelView.h"

#include <QLabel>

MLIndividualCenterSetMealView::MLIndividualCenterSetMealView(QWidget *parent)
    : QWidget(parent) {
    setUI();
    layoutUI();
}

void MLIndividualCenterSetMealView::setUI() {
    m_bgView = new MLRoundedPanelView(MLBillingLook::color(QStringLiteral("FDF5EC")), 10, this,
                                      MLRoundedPanelView::ClipsChildren);
    m_iconImage = new MLWebImageView(m_bgView);
    m_iconImage->setCornerRadius(25);
    m_setMealLabel =
        MLLook::makeLabel(m_bgView, 14, QStringLiteral("#313131"), QStringLiteral("价优套餐：无套餐"));
    m_timeLabel =
        MLLook::makeLabel(m_bgView, 14, QStringLiteral("#313131"), QStringLiteral("剩余时长：暂无时长"));
    m_effectiveLabel =
        MLLook::makeLabel(m_bgView, 14, QStringLiteral("#313131"), QStringLiteral("有效日期：暂无"));
}

void MLIndividualCenterSetMealView::layoutUI() {
    MLAnchors::make(m_bgView, [](MLConstraintMaker &m) {
        m.top();
        m.left().offset(10);
        m.right().offset(-10);
        m.height(100);
    });
    MLAnchors::make(m_iconImage, [](MLConstraintMaker &m) {
        m.left().offset(37);
        m.centerY();
        m.size(50, 50);
    });
    MLAnchors::make(m_setMealLabel, [this](MLConstraintMaker &m) {
        m.top().offset(20);
        m.left().equalTo(m_iconImage, MLEdge::Right).offset(17);
    });
    MLAnchors::make(m_timeLabel, [this](MLConstraintMaker &m) {
        m.left().equalTo(m_setMealLabel);
        m.centerY().equalTo(m_iconImage);
    });
    MLAnchors::make(m_effectiveLabel, [this](MLConstraintMaker &m) {
        m.left().equalTo(m_setMealLabel);
        m.bottom().offset(-20);
    });
}

void MLIndividualCenterSetMealView::setModel(const MLGetMeSetmealListList &model) {
    m_iconImage->setImageWithURL(QUrl(model.icon), QStringLiteral("123"));
    m_setMealLabel->setText(model.setmealName);
    m_timeLabel->setText(QStringLiteral("剩余时长：") + model.surplusDurationStr);
    m_effectiveLabel->setText(QStringLiteral("有效日期：") + model.endDate);
    for (QLabel *label : {m_setMealLabel, m_timeLabel, m_effectiveLabel})
        label->adjustSize();
}
