#pragma once

#include <QCache>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QList>
#include <QStyledItemDelegate>
#include <QTextLayout>

// The subtitle row: paints one caption line as white text inset 10 from each edge of its row, the
// recognised line in the source colour and the translation in the target colour, in the subtitle
// font; and gives each row its height, the height of the laid-out text plus 20 (an empty line 20).
//
// Heights are cached by text for the current font and text width (a change of either empties the
// cache), so a caption callback measures only the lines it changed or added while every row still
// has exactly the height a full measurement gives. A row is laid out once for both: the coloured
// layout that gives its height (glyphs kept) is the one painted, and the layouts of the rows measured
// or painted last are kept, so repainting the rows in view neither lays out nor shapes text again.
// Each row is drawn once into an image kept for its next paints (the table scrolls under its rows as
// lines are added), so repainting a page of rows costs a copy of their pixels instead of drawing
// every glyph again, and every row is drawn the same way however often it is painted; the images
// kept are bounded by `setImageBudget`, which the table keeps at two pages of its own size. A row's
// image starts from the colour it is shown on (`setRowBackground`): text drawn onto opaque pixels is
// blended with gamma correction and onto transparent ones without, so an opaque page's rows are drawn
// onto its colour and a translucent window's onto transparent, each with the ink of text drawn
// straight onto the window.
class MLMicrosoftCellView final : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int kInset = 10;
    static constexpr int kEmptyRowHeight = 20;

    explicit MLMicrosoftCellView(QObject *parent = nullptr);

    // The subtitle look: font and the colours of the first and second line.
    void setLook(const QFont &font, const QColor &sourceColor, const QColor &targetColor);
    // Reads the look from the user defaults; true when it differs from the one in use.
    bool readLook();
    const QFont &font() const { return m_font; }
    QColor sourceColor() const { return m_sourceColor; }
    QColor targetColor() const { return m_targetColor; }

    // The width the text is laid out in (the row's width less both insets).
    void setTextWidth(int width);
    int textWidth() const { return m_textWidth; }

    // The height of the row showing `caption`.
    int rowHeight(const QString &caption) const;
    int cachedHeightCount() const { return int(m_heights.size()); }
    // The memory the rows' images may take, in bytes (the least recently painted go first).
    void setImageBudget(qsizetype bytes);
    // The opaque colour the rows are shown on, or transparent (the default) on a translucent window.
    void setRowBackground(const QColor &colour);

    // Lets go of what is kept of `caption` (a text no row shows any more): height, layout and image.
    void forgetRow(const QString &caption);

    // The colours of a caption: the first line in `sourceColor` over its own characters, the second
    // (after the first "\n") in `targetColor`; further lines and empty lines get none.
    static QList<QTextLayout::FormatRange> returnStr(const QString &caption, const QColor &sourceColor,
                                                     const QColor &targetColor);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    void layoutText(QTextLayout &layout) const;
    // The caption laid out and coloured for painting; the rows in view are kept laid out.
    const QTextLayout &paintLayout(const QString &caption) const;
    // The row of `size` drawn once, its text at the insets, on an image of the row background; null
    // when it would not fit the budget.
    const QImage *rowImage(const QString &caption, const QTextLayout &layout, QSize size, qreal ratio) const;
    void forgetPaintedRows();

    QFont m_font;
    QColor m_sourceColor = Qt::white;
    QColor m_targetColor = Qt::white;
    QColor m_rowBackground = Qt::transparent;
    int m_textWidth = 0;
    mutable QHash<QString, int> m_heights;
    mutable QCache<QString, QTextLayout> m_layouts{128};
    // Cost in KiB.
    mutable QCache<QString, QImage> m_images{4096};
};
