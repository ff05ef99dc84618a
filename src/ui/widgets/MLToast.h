#pragma once

#include <QString>

class QWidget;
class MBProgressHUD;

// A short message over a view: a text-only progress overlay with a white label, hidden and removed
// after the given time.
class MLToast final {
public:
    MLToast() = delete;

    // Returns the overlay, or nullptr for a null view. A time that is negative or not a number counts
    // as none: the overlay goes at the next turn of the event loop.
    static MBProgressHUD *makeToast(QWidget *view, const QString &message, double seconds);
};
