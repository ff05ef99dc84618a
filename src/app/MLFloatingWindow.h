#pragma once

#include <QPointer>
#include <QWidget>

// The floating subtitle window: frameless, above other windows, movable by dragging its background,
// at least 800 by 200. Its content is replaceable and is not deleted when replaced (pages own it).
class MLFloatingWindow final : public QWidget {
    Q_OBJECT
public:
    explicit MLFloatingWindow(QWidget *parent = nullptr);

    void setContent(QWidget *content);
    QWidget *content() const { return m_content; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QPointer<QWidget> m_content;
    QPoint m_dragOffset;
    bool m_dragging = false;
};
