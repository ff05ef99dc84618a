#include "billing/MLSetmealRechargeCell.h"

#include "billing/MLBillingLook.h"
#include "billing/MLOfferButton.h"
#include "platform/kit/ui/MLAnchors.h"
#include "ui/widgets/MLLook.h"

#include <QLabel>

MLSetmealRechargeCell::MLSetmealRechargeCell(QWidget *parent)
    : QWidget(parent)
    , m_tipLabel(MLLook::makeLabel(this, 14, QStringLiteral("#4E5679")))
    , m_pointView(new QWidget(this)) {
    MLAnchors::make(m_tipLabel, [](MLConstraintMaker &m) {
        m.left();
        m.top().offset(15);
    });
    MLAnchors::make(m_pointView, [](MLConstraintMaker &m) {
        m.left();
        m.right();
        m.top().offset(kGridTop);
        m.bottom();
    });
}

QString MLSetmealRechargeCell::buttonTitle(const MLGetSetmealModel &offer) {
    return QStringLiteral("<div align=\"center\">%1</div>"
                          "<div align=\"center\" style=\"margin-top:5px; font-size:11px; "
                          "font-weight:normal\">有效期:%2</div>")
        .arg(MLBillingLook::escaped(offer.setmealName), MLBillingLook::escaped(offer.dayNum));
}

void MLSetmealRechargeCell::setModel(const MLGetSetmealList &model) {
    m_inModel = model;
    m_tipLabel->setText(model.title);
    m_tipLabel->adjustSize();
    qDeleteAll(m_buttons);
    m_buttons.clear();
    for (qsizetype i = 0; i < model.setmealDetailsList.size(); ++i) {
        const MLGetSetmealModel &offer = model.setmealDetailsList[i];
        auto *button = new MLOfferButton(i, buttonTitle(offer), m_pointView);
        button->titleLabel()->setFont(MLLook::systemFont(15, true));
        button->setGeometry(MLOfferButton::gridRect(i, kGridWidth));
        button->setSeletedLook(offer.isSeleted);
        connect(button, &MLOfferButton::clicked, this, [this, button] { btnClick(button); });
        button->show();
        m_buttons.append(button);
    }
}

void MLSetmealRechargeCell::btnClick(MLOfferButton *button) {
    if (!button || !m_setmealDidClikcBlock)
        return;
    const qint64 index = button->tag();
    if (index < 0 || index >= m_inModel.setmealDetailsList.size())
        return;
    m_setmealDidClikcBlock(m_inModel.setmealDetailsList[index], index);
}
