#include "ui/widgets/MLToast.h"

#include "ui/widgets/MBProgressHUD.h"

#include <QLabel>

namespace {

// The view that shows a toast of `box` whole: `view` itself when it is large enough, otherwise the
// nearest enclosing view that is (a row, then the window's content view), or the window's own view
// when none is.
QWidget *toastHost(QWidget *view, QSize box) {
    for (QWidget *host = view; host; host = host->parentWidget()) {
        if (host->width() >= box.width() && host->height() >= box.height())
            return host;
        if (host->isWindow())
            return host;
    }
    return view;
}

} // namespace

MBProgressHUD *MLToast::makeToast(QWidget *view, const QString &message, double seconds) {
    if (!view)
        return nullptr;
    auto *hud = new MBProgressHUD(toastHost(view, MBProgressHUD::textBezelSize(message)));
    hud->setMode(MBProgressHUD::Mode::Text);
    hud->label()->setText(message);
    hud->showAnimated(true);
    hud->hideAnimated(true, seconds);
    return hud;
}
