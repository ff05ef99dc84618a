#pragma once

#include "ui/widgets/MBProgressHUD.h"

#include <QLabel>
#include <QStringList>
#include <QWidget>

namespace ml::test {

// The texts of the toasts now shown on `view` (text-mode overlays that are not hiding yet).
inline QStringList toastTexts(QWidget *view) {
    QStringList texts;
    if (!view)
        return texts;
    for (MBProgressHUD *hud : view->findChildren<MBProgressHUD *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (hud->mode() == MBProgressHUD::Mode::Text && !hud->hasFinished())
            texts.append(hud->label()->text());
    }
    return texts;
}

} // namespace ml::test
