#include "ui/widgets/MLToast.h"

#include "ui/widgets/MBProgressHUD.h"

#include <QLabel>

MBProgressHUD *MLToast::makeToast(QWidget *view, const QString &message, double seconds) {
    if (!view)
        return nullptr;
    auto *hud = new MBProgressHUD(view);
    hud->setMode(MBProgressHUD::Mode::Text);
    hud->label()->setText(message);
    hud->showAnimated(true);
    hud->hideAnimated(true, seconds);
    return hud;
}
