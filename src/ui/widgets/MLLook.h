#pragma once

#include <QFont>
#include <QString>

class QLabel;
class QWidget;

// The fonts, labels and one-pixel lines every section draws with; each section passes its own
// colours, as hex texts ("#RRGGBB").
namespace MLLook {

// The colour `hex` as a style sheet's "#rrggbb".
QString colorName(const QString &hex);

// The application font at `pixelSize` pixels.
QFont systemFont(int pixelSize, bool bold = false);

// A read-only label on a clear background, in the system font of `pixelSize` and the colour `hex`. Its
// text is plain: texts from the service never render as markup.
QLabel *makeLabel(QWidget *parent, int pixelSize, const QString &hex, const QString &text = {},
                  bool bold = false);
// Colours the label's text, plain or rich. The colour is the label's own style sheet, so it holds inside
// item views and under the style sheets of its parents.
void setTextColor(QLabel *label, const QString &hex);

// A plain view filled with `hex` (lines, separators), by its own style sheet as the labels are.
QWidget *makeLine(QWidget *parent, const QString &hex);

} // namespace MLLook
