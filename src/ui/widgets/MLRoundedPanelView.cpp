#include "ui/widgets/MLRoundedPanelView.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>

namespace {

void applyRoundedMask(QWidget *view, qreal radius) {
    QPainterPath shape;
    shape.addRoundedRect(QRectF(view->rect()), radius, radius);
    view->setMask(QRegion(shape.toFillPolygon().toPolygon()));
}

// Keeps its parent's mask the parent's rounded rectangle.
class RoundedMask final : public QObject {
public:
    RoundedMask(QWidget *view, qreal radius)
        : QObject(view)
        , m_view(view)
        , m_radius(radius) {
        view->installEventFilter(this);
        apply();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == m_view && event->type() == QEvent::Resize)
            apply();
        return QObject::eventFilter(watched, event);
    }

private:
    void apply() { applyRoundedMask(m_view, m_radius); }

    QWidget *m_view;
    qreal m_radius;
};

} // namespace

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

void MLRoundedPanelView::clipToRoundedRect(QWidget *view, qreal radius) {
    if (view)
        new RoundedMask(view, radius);
}

void MLRoundedPanelView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    if (m_clipping != ClipsChildren || m_cornerRadius <= 0 || size().isEmpty())
        return;
    applyRoundedMask(this, m_cornerRadius);
}
