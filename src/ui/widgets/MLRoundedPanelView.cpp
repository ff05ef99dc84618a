#include "ui/widgets/MLRoundedPanelView.h"

#include <QPainter>
#include <QPainterPath>

MLRoundedPanelView::MLRoundedPanelView(const QColor &background, qreal cornerRadius, QWidget *parent,
                                       Clipping clipping)
    : QWidget(parent)
    , m_background(background)
    , m_cornerRadius(cornerRadius)
    , m_clipping(clipping) {}

void MLRoundedPanelView::setBorder(const QColor &color, qreal width) {
    m_borderColor = color;
    m_borderWidth = width;
    update();
}

void MLRoundedPanelView::setBackground(const QColor &color) {
    m_background = color;
    update();
}

void MLRoundedPanelView::paintEvent(QPaintEvent *) {
    if (m_background.alpha() == 0 && m_borderWidth <= 0)
        return;
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

void MLRoundedPanelView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    if (m_clipping != ClipsChildren || m_cornerRadius <= 0 || size().isEmpty())
        return;
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    setMask(QRegion(shape.toFillPolygon().toPolygon()));
}
