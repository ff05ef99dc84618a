#pragma once

#include <QString>

class QLabel;
class QWidget;

// The text fields of the file pages: borderless, not editable, on a clear background.
namespace MLFileLabels {
// A label in the system font of `pixelSize` and the colour of the hex text `color`.
QLabel *makeLabel(const QString &text, int pixelSize, const QString &color, QWidget *parent);
// `text` wrapped to `width` in at most `lines` lines of the label's font, the last one cut with an
// ellipsis when the text is longer.
QString elidedText(const QLabel *label, const QString &text, int width, int lines);
} // namespace MLFileLabels
