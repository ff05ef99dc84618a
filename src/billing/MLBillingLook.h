#pragma once

#include <QColor>
#include <QString>

class QScrollArea;
class QWidget;

// The colours, scroll views and host views that the billing pages share (fonts, labels and lines:
// MLLook).
namespace MLBillingLook {

QColor color(const QString &hex);

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
