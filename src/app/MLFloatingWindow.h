#pragma once

#include <QPointer>
#include <QWidget>

#include <array>

// The floating subtitle window: frameless, above other windows, movable by dragging its background,
// resizable from its edges and corners, never smaller than 800 by 200. Its content is replaceable
// and is not deleted when replaced (pages own it). A close (the window manager's) goes to the content
// first: the page answers it, and only a close it accepts takes the window off the screen.
class MLFloatingWindow final : public QWidget {
    Q_OBJECT
public:
    explicit MLFloatingWindow(QWidget *parent = nullptr);

    void setContent(QWidget *content);
    QWidget *content() const { return m_content; }

    static constexpr int kMinimumWidth = 800;
    static constexpr int kMinimumHeight = 200;
    // How far in from the window's border a press starts a resize.
    static constexpr int kGripSize = 6;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    friend class MLResizeGrip;
    // The geometry a resize from `edges` gives when the pointer has moved by `delta` from where the
    // resize began, with the window at `start` then: the edges not named stay put, and the size never
    // falls below the minimum.
    QRect resizedGeometry(const QRect &start, Qt::Edges edges, QPoint delta) const;
    void placeGrips();

    QPointer<QWidget> m_content;
    QPoint m_dragOffset;
    bool m_dragging = false;
    // The edge and corner grips, above the content: four edges, then four corners.
    std::array<QWidget *, 8> m_grips{};
};
