#pragma once

#include <QString>

class QLabel;

// The texts of the file pages' labels (the labels themselves: MLLook).
namespace MLFileLabels {
// `text` wrapped to `width` in at most `lines` lines of the label's font, the last one cut with an
// ellipsis when the text is longer.
QString elidedText(const QLabel *label, const QString &text, int width, int lines);
} // namespace MLFileLabels
