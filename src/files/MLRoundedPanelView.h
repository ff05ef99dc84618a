#pragma once

#include <QColor>
#include <QWidget>

// A plain panel of the file pages: a filled rectangle with rounded corners and an optional border.
class MLRoundedPanelView final : public QWidget {
    Q_OBJECT
public:
    explicit MLRoundedPanelView(const QColor &background, qreal cornerRadius, QWidget *parent = nullptr);

    void setBorder(const QColor &color, qreal width);

    // Clips `view` and its children (a scroll view's scroll bar) to its rectangle rounded by `radius`,
    // following its resizes.
    static void clipToRoundedRect(QWidget *view, qreal radius);
    QColor background() const { return m_background; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_background;
    qreal m_cornerRadius;
    QColor m_borderColor;
    qreal m_borderWidth = 0;
};
