#pragma once

#include <QString>

class QWidget;
class MBProgressHUD;

// A short message over a view: a text-only progress overlay with a white label, hidden and removed
// after the given time. It is always readable: on a view too small for it (a picker in a row) it is
// shown on the nearest enclosing view that holds it whole (the row, or the window's content view).
class MLToast final {
public:
    MLToast() = delete;

    // Returns the overlay (a child of the view that shows it), or nullptr for a null view. A time that is
    // negative or not a number counts as none: the overlay goes at the next turn of the event loop.
    static MBProgressHUD *makeToast(QWidget *view, const QString &message, double seconds);
};
