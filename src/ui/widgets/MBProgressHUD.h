#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

class QFont;
class QLabel;
class QGraphicsOpacityEffect;
class QPropertyAnimation;

// The progress overlay: covers its view (following its resizes), takes every click on it, and shows
// a spinner in a dark rounded box in its middle, or, in text mode (the toast), only a white label.
// Overlays stack: the topmost one is the last shown that is not yet hiding. A request hides the very
// overlay it showed (`hideHUD` with the pointer `showHUDAddedTo` gave), so its completion never takes
// away another request's spinner or a toast shown on top meanwhile; toasts go by their own time.
class MBProgressHUD final : public QWidget {
    Q_OBJECT
public:
    enum class Mode { Indeterminate, Text };

    explicit MBProgressHUD(QWidget *view);

    // Makes an overlay on `view`, raises it above the view's other children and shows it; nullptr for
    // a null view.
    static MBProgressHUD *showHUDAddedTo(QWidget *view, bool animated);
    // Hides and removes `hud` when it is still shown; false, doing nothing, for a null pointer (an
    // overlay already gone) or one already hiding.
    static bool hideHUD(MBProgressHUD *hud, bool animated);
    // Hides and removes the topmost spinner among the view's direct children (toasts never count);
    // returns false, doing nothing, when there is none.
    static bool hideHUDForView(QWidget *view, bool animated);
    // The topmost overlay of `view` that is not hiding, or nullptr.
    static MBProgressHUD *HUDForView(QWidget *view);

    Mode mode() const { return m_mode; }
    void setMode(Mode mode);
    QLabel *label() const { return m_label; }

    void showAnimated(bool animated);
    void hideAnimated(bool animated);
    // Hides after `delaySeconds`; dropped if the overlay is gone by then.
    void hideAnimated(bool animated, double delaySeconds);
    // True once hiding has begun; such an overlay no longer counts as shown.
    bool hasFinished() const { return m_finished; }

    // Geometry of the box drawn in the middle.
    QRect bezelRect() const;
    // The size of the box that shows `text` whole (text mode), its lines at most kMaxTextWidth wide.
    static QSize textBezelSize(const QString &text);
    static QFont labelFont();

    static constexpr int kBezelMargin = 20;
    static constexpr int kMaxTextWidth = 296;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void fade(qreal from, qreal to, std::function<void()> done);
    void placeLabel();
    QSize labelTextSize() const;

    Mode m_mode = Mode::Indeterminate;
    QLabel *m_label = nullptr;
    QTimer m_spinTimer;
    int m_spinStep = 0;
    bool m_finished = false;
    QPointer<QPropertyAnimation> m_animation;
};
