#include "ui/widgets/MLScrollBar.h"

#include <QStyle>
#include <QStyleOptionSlider>

MLScrollBar::MLScrollBar(Qt::Orientation orientation, QWidget *parent)
    : QScrollBar(orientation, parent) {}

MLScrollBar::Look MLScrollBar::look() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
            maximum() == minimum()};
}

void MLScrollBar::sliderChange(SliderChange change) {
    const bool drawnFromValue = change == SliderValueChange || change == SliderRangeChange;
    if (drawnFromValue && m_painted && isVisible() && look() == m_paintedLook)
        return;
    QScrollBar::sliderChange(change);
}

void MLScrollBar::paintEvent(QPaintEvent *event) {
    m_paintedLook = look();
    m_painted = true;
    QScrollBar::paintEvent(event);
}
