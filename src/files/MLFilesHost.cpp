#include "files/MLFilesHost.h"

#include "ui/widgets/MLAppHost.h"

#include <QWidget>

QWidget *MLFilesHost::contentView(QWidget *near) {
    if (MLAppHost *delegate = MLAppHost::shared()) {
        if (QWidget *content = delegate->contentView())
            return content;
    }
    return near ? near->window() : nullptr;
}
