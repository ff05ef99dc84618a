#include "live/ui/MLMicrosoftCellView.h"

#include "ui/util/MLUtilsTools.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTextOption>

#include <cmath>

namespace {

// QTextLayout breaks lines only at the Unicode line separator; it has the same length as "\n", so the
// colour ranges stay valid.
QString captionLayoutText(const QString &caption) {
    QString text = caption;
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return text;
}

} // namespace

MLMicrosoftCellView::MLMicrosoftCellView(QObject *parent)
    : QStyledItemDelegate(parent) {
    m_font = QGuiApplication::font();
    m_font.setPixelSize(14);
}

void MLMicrosoftCellView::setLook(const QFont &font, const QColor &sourceColor, const QColor &targetColor) {
    if (font != m_font)
        m_heights.clear();
    if (font != m_font || sourceColor != m_sourceColor || targetColor != m_targetColor)
        forgetPaintedRows();
    m_font = font;
    m_sourceColor = sourceColor;
    m_targetColor = targetColor;
}

bool MLMicrosoftCellView::readLook() {
    const QFont font = MLUtilsTools::returnFontSize();
    const QColor source = MLUtilsTools::returnColorForSourceLanguage();
    const QColor target = MLUtilsTools::returnColorForTargetLanguage();
    const bool changed = font != m_font || source != m_sourceColor || target != m_targetColor;
    setLook(font, source, target);
    return changed;
}

void MLMicrosoftCellView::setTextWidth(int width) {
    width = qMax(width, 1);
    if (width == m_textWidth)
        return;
    m_textWidth = width;
    m_heights.clear();
    forgetPaintedRows();
}

void MLMicrosoftCellView::setImageBudget(qsizetype bytes) {
    m_images.setMaxCost(int(qMax<qsizetype>(bytes / 1024, 1)));
}

void MLMicrosoftCellView::setRowBackground(const QColor &colour) {
    if (colour == m_rowBackground)
        return;
    m_rowBackground = colour;
    m_images.clear();
}

void MLMicrosoftCellView::forgetRow(const QString &caption) {
    m_heights.remove(caption);
    m_layouts.remove(caption);
    m_images.remove(caption);
}

void MLMicrosoftCellView::forgetPaintedRows() {
    m_layouts.clear();
    m_images.clear();
}

void MLMicrosoftCellView::layoutText(QTextLayout &layout) const {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.setFont(m_font);
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(m_textWidth);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
}

int MLMicrosoftCellView::rowHeight(const QString &caption) const {
    if (caption.isEmpty())
        return kEmptyRowHeight;
    const auto cached = m_heights.constFind(caption);
    if (cached != m_heights.constEnd())
        return *cached;
    // The row is laid out once: the layout that gives its height is the one its paint draws.
    const int height = int(std::ceil(paintLayout(caption).boundingRect().height())) + 2 * kInset;
    m_heights.insert(caption, height);
    return height;
}

QList<QTextLayout::FormatRange>
MLMicrosoftCellView::returnStr(const QString &caption, const QColor &sourceColor, const QColor &targetColor) {
    QList<QTextLayout::FormatRange> ranges;
    const qsizetype firstBreak = caption.indexOf(QLatin1Char('\n'));
    const qsizetype firstLength = firstBreak < 0 ? caption.size() : firstBreak;
    if (firstLength > 0) {
        QTextLayout::FormatRange range;
        range.start = 0;
        range.length = int(firstLength);
        range.format.setForeground(sourceColor);
        ranges.append(range);
    }
    if (firstBreak >= 0) {
        const qsizetype secondStart = firstBreak + 1;
        const qsizetype secondBreak = caption.indexOf(QLatin1Char('\n'), secondStart);
        const qsizetype secondLength = (secondBreak < 0 ? caption.size() : secondBreak) - secondStart;
        if (secondLength > 0) {
            QTextLayout::FormatRange range;
            range.start = int(secondStart);
            range.length = int(secondLength);
            range.format.setForeground(targetColor);
            ranges.append(range);
        }
    }
    return ranges;
}

void MLMicrosoftCellView::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const {
    const QString caption = index.data(Qt::DisplayRole).toString();
    if (caption.isEmpty())
        return;
    const QTextLayout &layout = paintLayout(caption);
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    if (const QImage *image = rowImage(caption, layout, option.rect.size(), ratio)) {
        painter->drawImage(option.rect.topLeft(), *image);
        return;
    }
    painter->save();
    painter->setClipRect(option.rect);
    painter->setPen(Qt::white);
    layout.draw(painter, option.rect.topLeft() + QPoint(kInset, kInset));
    painter->restore();
}

const QImage *MLMicrosoftCellView::rowImage(const QString &caption, const QTextLayout &layout, QSize size,
                                            qreal ratio) const {
    if (const QImage *kept = m_images.object(caption);
        kept && kept->deviceIndependentSize().toSize() == size && kept->devicePixelRatio() == ratio)
        return kept;
    const QSize pixels = size * ratio;
    const qsizetype costKiB = qMax<qsizetype>(qsizetype(pixels.width()) * pixels.height() * 4 / 1024, 1);
    // A row larger than the whole budget is drawn directly every time.
    if (pixels.isEmpty() || costKiB > m_images.maxCost())
        return nullptr;
    const bool opaque = m_rowBackground.alpha() == 255;
    auto *image = new QImage(pixels, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    image->setDevicePixelRatio(ratio);
    image->fill(m_rowBackground);
    QPainter painter(image);
    painter.setPen(Qt::white);
    layout.draw(&painter, QPointF(kInset, kInset));
    painter.end();
    m_images.insert(caption, image, int(costKiB));
    return image;
}

const QTextLayout &MLMicrosoftCellView::paintLayout(const QString &caption) const {
    if (const QTextLayout *cached = m_layouts.object(caption))
        return *cached;
    auto *layout = new QTextLayout(captionLayoutText(caption));
    // Keeps the shaped glyphs, so drawing does not shape the text again.
    layout->setCacheEnabled(true);
    layout->setFormats(returnStr(caption, m_sourceColor, m_targetColor));
    layoutText(*layout);
    m_layouts.insert(caption, layout);
    return *layout;
}

QSize MLMicrosoftCellView::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const {
    return QSize(m_textWidth + 2 * kInset, rowHeight(index.data(Qt::DisplayRole).toString()));
}
