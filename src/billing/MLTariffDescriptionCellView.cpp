#include "billing/MLTariffDescriptionCellView.h"

#include "platform/imageloader/MLWebImageView.h"
#include "platform/kit/ui/MLAnchors.h"
#include "ui/widgets/MLLook.h"

#include <QLabel>

MLTariffDescriptionCellView::MLTariffDescriptionCellView(QWidget *parent)
    : QWidget(parent) {
    setUI();
    layoutUI();
}

void MLTariffDescriptionCellView::setUI() {
    m_iconImage = new MLWebImageView(this);
    m_modeLabel = MLLook::makeLabel(this, 14, QStringLiteral("#4E5679"));
    m_chargingLabel = MLLook::makeLabel(this, 12, QStringLiteral("#848484"));
    m_line_bottom = MLLook::makeLine(this, QStringLiteral("#f5f5f5"));
}

void MLTariffDescriptionCellView::layoutUI() {
    MLAnchors::make(m_iconImage, [](MLConstraintMaker &m) {
        m.left();
        m.centerY();
        m.size(35, 35);
    });
    MLAnchors::make(m_modeLabel, [](MLConstraintMaker &m) {
        m.left().offset(45);
        m.centerY();
    });
    MLAnchors::make(m_chargingLabel, [](MLConstraintMaker &m) {
        m.right().offset(-30);
        m.centerY();
    });
    MLAnchors::make(m_line_bottom, [](MLConstraintMaker &m) {
        m.left();
        m.right();
        m.bottom();
        m.height(1);
    });
}

void MLTariffDescriptionCellView::setModel(const MLTariffDescriptionModel &model) {
    m_modeLabel->setText(model.title);
    m_chargingLabel->setText(model.explains);
    m_iconImage->setImageWithURL(QUrl(model.iconImage), QStringLiteral("123"));
}
