#include "files/MLRoundedPanelView.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>

namespace {

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
    void apply() {
        QPainterPath path;
        path.addRoundedRect(QRectF(m_view->rect()), m_radius, m_radius);
        m_view->setMask(QRegion(path.toFillPolygon().toPolygon()));
    }

    QWidget *m_view;
    qreal m_radius;
};

} // namespace

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

void MLRoundedPanelView::clipToRoundedRect(QWidget *view, qreal radius) {
    if (view)
        new RoundedMask(view, radius);
}
