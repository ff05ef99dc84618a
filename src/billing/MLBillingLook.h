#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QScrollArea;
class QWidget;

// The look and the host views that the billing pages share.
namespace MLBillingLook {

// The system font of `pixelSize` points.
QFont systemFont(int pixelSize, bool bold = false);
QColor color(const QString &hex);

// A read-only label on a clear background. Its text is plain: texts from the service never render as
// markup.
QLabel *makeLabel(QWidget *parent, int pixelSize, const QString &hex, const QString &text = {},
                  bool bold = false);
void setTextColor(QLabel *label, const QString &hex);

// A plain view filled with a colour (lines, separators).
QWidget *makeLine(QWidget *parent, const QString &hex);

// The scroll view of a list card: vertical scroller when needed, no frame, clear background, clipped
// (scroll bar included) to corners of radius 10; the table is its document and follows its width.
inline constexpr qreal kListCornerRadius = 10;
QScrollArea *makeScrollView(QWidget *parent, QWidget *tableView);

// The application window's content view (toasts and payment overlays go there); null without one.
QWidget *contentView();
// Shows a request failure as a 1.0-second toast on the application window's content view.
void showFailure(const QString &message);

// Text safe to put into rich text.
QString escaped(const QString &text);

} // namespace MLBillingLook
