#pragma once

#include <QColor>
#include <QWidget>

// A plain panel: a filled rectangle with rounded corners and an optional border. When it clips, its
// children are clipped to the rounded shape too.
class MLRoundedPanelView final : public QWidget {
    Q_OBJECT
public:
    enum Clipping { PaintsOnly, ClipsChildren };

    explicit MLRoundedPanelView(const QColor &background, qreal cornerRadius, QWidget *parent = nullptr,
                                Clipping clipping = PaintsOnly);

    void setBorder(const QColor &color, qreal width);

    // Clips `view` and its children (a scroll view's scroll bar) to its rectangle rounded by `radius`,
    // following its resizes.
    static void clipToRoundedRect(QWidget *view, qreal radius);
    QColor background() const { return m_background; }
    void setBackground(const QColor &color);
    qreal cornerRadius() const { return m_cornerRadius; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QColor m_background;
    qreal m_cornerRadius;
    Clipping m_clipping;
    QColor m_borderColor;
    qreal m_borderWidth = 0;
};
