#pragma once

#include "ui/widgets/MBProgressHUD.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStringList>
#include <QWidget>

namespace ml::test {

// The texts of the toasts shown on `view` that have not gone yet.
inline QStringList toastTexts(QWidget *view) {
    QStringList texts;
    if (!view)
        return texts;
    for (QObject *child : view->children()) {
        auto *hud = qobject_cast<MBProgressHUD *>(child);
        if (hud && hud->mode() == MBProgressHUD::Mode::Text && !hud->hasFinished())
            texts << hud->label()->text();
    }
    return texts;
}

// Progress overlays (not toasts) shown on `view` that have not gone yet.
inline int spinnerCount(QWidget *view) {
    int count = 0;
    for (QObject *child : view->children()) {
        auto *hud = qobject_cast<MBProgressHUD *>(child);
        count += hud && hud->mode() == MBProgressHUD::Mode::Indeterminate && !hud->hasFinished();
    }
    return count;
}

inline QString writeFile(const QString &folder, const QString &name, const QByteArray &bytes) {
    QDir().mkpath(folder);
    QFile file(QDir(folder).filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return file.fileName();
}

} // namespace ml::test
