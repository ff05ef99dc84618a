#include "platform/kit/ui/MLPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>

MLPasteboard &MLPasteboard::generalPasteboard() {
    static MLPasteboard pasteboard;
    return pasteboard;
}

void MLPasteboard::clearContents() {
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->clear(QClipboard::Clipboard);
}

bool MLPasteboard::setString(const QString &text) {
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setText(text, QClipboard::Clipboard);
    return true;
}

QString MLPasteboard::string() const {
    const QClipboard *clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->text(QClipboard::Clipboard) : QString();
}
