#pragma once

#include <QAbstractButton>
#include <QRect>

class QLabel;

// A button of the offer grids: a rounded card without border or press highlight whose title is rich
// text; normal look grey on light blue, selected look white on blue. `tag` is the offer's index.
class MLOfferButton final : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int kColumns = 6;
    static constexpr int kSpacing = 20;
    static constexpr int kRowStep = 85;
    static constexpr int kHeight = 65;

    MLOfferButton(qint64 tag, const QString &richTitle, QWidget *parent = nullptr);

    qint64 tag() const { return m_tag; }
    bool isSeletedLook() const { return m_seletedLook; }
    void setSeletedLook(bool seleted);
    QLabel *titleLabel() const { return m_titleLabel; }

    // The rectangle of offer `index` in a grid `gridWidth` wide: six to a row, 20 apart, rows 85
    // apart, 65 high.
    static QRect gridRect(qint64 index, qreal gridWidth);

    QSize sizeHint() const override { return QSize(118, kHeight); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    qint64 m_tag;
    bool m_seletedLook = false;
    QLabel *m_titleLabel;
};
