#pragma once

#include <QColor>
#include <QWidget>

// A plain view with a background colour and rounded corners; when it masks, its children are clipped
// to the rounded shape too.
class MLLayerView final : public QWidget {
    Q_OBJECT
public:
    explicit MLLayerView(const QString &hex, qreal cornerRadius = 0, bool masksToBounds = false,
                         QWidget *parent = nullptr);

    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor &color);
    qreal cornerRadius() const { return m_cornerRadius; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QColor m_backgroundColor;
    qreal m_cornerRadius;
    bool m_masksToBounds;
};
