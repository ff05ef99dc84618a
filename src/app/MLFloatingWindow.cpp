#include "app/MLFloatingWindow.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QVBoxLayout>

// A transparent strip along an edge (or a square at a corner) of the floating window: pressing and
// dragging it resizes the window from there.
class MLResizeGrip final : public QWidget {
public:
    MLResizeGrip(MLFloatingWindow *window, Qt::Edges edges)
        : QWidget(window)
        , m_window(window)
        , m_edges(edges) {
        const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
        const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
        if (horizontal && vertical) {
            const bool falling =
                edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge);
            setCursor(falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
        } else {
            setCursor(horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor);
        }
    }

protected:
    void mousePressEvent(QMouseEvent *event) override {
        if (event->button() != Qt::LeftButton)
            return;
        m_resizing = true;
        m_pressAt = event->globalPosition().toPoint();
        m_startGeometry = m_window->geometry();
        event->accept();
    }
    void mouseMoveEvent(QMouseEvent *event) override {
        if (!m_resizing)
            return;
        const QPoint delta = event->globalPosition().toPoint() - m_pressAt;
        m_window->setGeometry(m_window->resizedGeometry(m_startGeometry, m_edges, delta));
        event->accept();
    }
    void mouseReleaseEvent(QMouseEvent *event) override {
        m_resizing = false;
        event->accept();
    }

private:
    MLFloatingWindow *m_window;
    Qt::Edges m_edges;
    bool m_resizing = false;
    QPoint m_pressAt;
    QRect m_startGeometry;
};

MLFloatingWindow::MLFloatingWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool) {
    setAttribute(Qt::WA_TranslucentBackground);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(kMinimumWidth, kMinimumHeight);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    const std::array<Qt::Edges, 8> edges{Qt::LeftEdge,
                                         Qt::TopEdge,
                                         Qt::RightEdge,
                                         Qt::BottomEdge,
                                         Qt::TopEdge | Qt::LeftEdge,
                                         Qt::TopEdge | Qt::RightEdge,
                                         Qt::BottomEdge | Qt::LeftEdge,
                                         Qt::BottomEdge | Qt::RightEdge};
    for (std::size_t i = 0; i < edges.size(); ++i)
        m_grips[i] = new MLResizeGrip(this, edges[i]);
    placeGrips();
}

void MLFloatingWindow::setContent(QWidget *content) {
    if (m_content == content)
        return;
    if (m_content) {
        layout()->removeWidget(m_content);
        m_content->hide();
        m_content->setParent(nullptr);
    }
    m_content = content;
    if (content) {
        layout()->addWidget(content);
        content->show();
    }
    placeGrips(); // back above the new content
}

QRect MLFloatingWindow::resizedGeometry(const QRect &start, Qt::Edges edges, QPoint delta) const {
    const QSize least = minimumSize().expandedTo(QSize(kMinimumWidth, kMinimumHeight));
    QRect rect = start;
    if (edges & Qt::LeftEdge)
        rect.setLeft(std::min(start.left() + delta.x(), start.right() + 1 - least.width()));
    if (edges & Qt::RightEdge)
        rect.setRight(std::max(start.right() + delta.x(), start.left() + least.width() - 1));
    if (edges & Qt::TopEdge)
        rect.setTop(std::min(start.top() + delta.y(), start.bottom() + 1 - least.height()));
    if (edges & Qt::BottomEdge)
        rect.setBottom(std::max(start.bottom() + delta.y(), start.top() + least.height() - 1));
    return rect;
}

void MLFloatingWindow::placeGrips() {
    const int w = width(), h = height(), g = kGripSize;
    const std::array<QRect, 8> rects{
        QRect(0, g, g, h - 2 * g),     QRect(g, 0, w - 2 * g, g), QRect(w - g, g, g, h - 2 * g),
        QRect(g, h - g, w - 2 * g, g), QRect(0, 0, g, g),         QRect(w - g, 0, g, g),
        QRect(0, h - g, g, g),         QRect(w - g, h - g, g, g)};
    for (std::size_t i = 0; i < m_grips.size(); ++i) {
        if (!m_grips[i])
            continue;
        m_grips[i]->setGeometry(rects[i]);
        m_grips[i]->raise();
    }
}

void MLFloatingWindow::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    placeGrips();
}

void MLFloatingWindow::closeEvent(QCloseEvent *event) {
    if (m_content)
        QCoreApplication::sendEvent(m_content, event);
    else
        event->accept();
}

void MLFloatingWindow::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    QWidget::mousePressEvent(event);
}

void MLFloatingWindow::mouseMoveEvent(QMouseEvent *event) {
    if (m_dragging)
        move(event->globalPosition().toPoint() - m_dragOffset);
    QWidget::mouseMoveEvent(event);
}

void MLFloatingWindow::mouseReleaseEvent(QMouseEvent *event) {
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}
