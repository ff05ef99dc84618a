#pragma once

#include <QRect>
#include <QScrollBar>

// A scroll bar that repaints only when what it shows changes. A plain scroll bar repaints on every
// change of its value or range; below a view that grows by a row many times a second (a long subtitle
// table kept at its bottom), the knob mostly stays where it is, and the repaint is wasted.
class MLScrollBar final : public QScrollBar {
    Q_OBJECT
public:
    explicit MLScrollBar(Qt::Orientation orientation, QWidget *parent = nullptr);

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // What a style draws from the value and the range: where the knob is, and whether there is
    // anything to scroll (styles grey the bar out when there is not).
    struct Look {
        QRect knob;
        bool maxedOut = false;
        bool operator==(const Look &) const = default;
    };
    Look look() const;

    bool m_painted = false;
    Look m_paintedLook;
};
