#include "billing/MLLayerView.h"

#include "billing/MLBillingLook.h"

#include <QPainter>
#include <QPainterPath>

MLLayerView::MLLayerView(const QString &hex, qreal cornerRadius, bool masksToBounds, QWidget *parent)
    : QWidget(parent)
    , m_backgroundColor(MLBillingLook::color(hex))
    , m_cornerRadius(cornerRadius)
    , m_masksToBounds(masksToBounds) {}

void MLLayerView::setBackgroundColor(const QColor &color) {
    m_backgroundColor = color;
    update();
}

void MLLayerView::paintEvent(QPaintEvent *) {
    if (m_backgroundColor.alpha() == 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_backgroundColor);
    painter.drawRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
}

void MLLayerView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    if (!m_masksToBounds || m_cornerRadius <= 0 || size().isEmpty())
        return;
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    setMask(QRegion(shape.toFillPolygon().toPolygon()));
}
