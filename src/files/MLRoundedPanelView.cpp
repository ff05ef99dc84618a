#include "files/MLRoundedPanelView.h"

#include <QPainter>
#include <QPainterPath>

MLRoundedPanelView::MLRoundedPanelView(const QColor &background, qreal cornerRadius, QWidget *parent)
    : QWidget(parent)
    , m_background(background)
    , m_cornerRadius(cornerRadius) {}

void MLRoundedPanelView::setBorder(const QColor &color, qreal width) {
    m_borderColor = color;
    m_borderWidth = width;
    update();
}

void MLRoundedPanelView::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal half = m_borderWidth / 2;
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(half, half, -half, -half), m_cornerRadius, m_cornerRadius);
    painter.fillPath(path, m_background);
    if (m_borderWidth > 0) {
        painter.setPen(QPen(m_borderColor, m_borderWidth));
        painter.drawPath(path);
    }
}
