#include "files/MLFilesHost.h"

#include "app/AppDelegate.h"

#include <QWidget>

QWidget *MLFilesHost::contentView(QWidget *near) {
    if (AppDelegate *delegate = AppDelegate::shared()) {
        if (QWidget *content = delegate->contentView())
            return content;
    }
    return near ? near->window() : nullptr;
}
