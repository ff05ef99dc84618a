#include "live/ui/MLLiveSettingsWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

MLLiveSettingsWindow::MLLiveSettingsWindow(QWidget *owner, bool staysOnTop)
    : QWidget(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         (staysOnTop ? Qt::WindowStaysOnTopHint : Qt::WindowFlags())) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QString());
    resize(kWidth, kHeight);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void MLLiveSettingsWindow::setContentViewController(QWidget *content) {
    if (m_content == content)
        return;
    delete m_content;
    m_content = content;
    if (content)
        layout()->addWidget(content);
}
