#include "app/MLAppWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLoggingCategory>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <QVBoxLayout>

// Off unless enabled ("ml.app.startup.info=true"): bench/bench_startup reads it to time the start.
Q_LOGGING_CATEGORY(lcStartup, "ml.app.startup", QtWarningMsg)

MLAppWindow::MLAppWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_contentView(new QWidget) {
    setCentralWidget(m_contentView);
    auto *layout = new QVBoxLayout(m_contentView);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    installMenu();
}

void MLAppWindow::setContentPage(QWidget *page, const QSize &size) {
    if (m_page) {
        m_contentView->layout()->removeWidget(m_page);
        m_page->hide();
        m_page->deleteLater();
    }
    m_page = page;
    if (page)
        m_contentView->layout()->addWidget(page);
    m_contentView->setFixedSize(size);
    adjustSize();
}

void MLAppWindow::closeEvent(QCloseEvent *event) {
    // Only a close asked for by the user (the window manager's close button) ends the application,
    // through the quit that ends a running session properly; the app itself takes the window off
    // the screen with hide().
    event->accept();
    if (event->spontaneous())
        QApplication::quit();
}

void MLAppWindow::paintEvent(QPaintEvent *event) {
    QMainWindow::paintEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // The rest of this first frame (the pages inside) is painted before the queued call runs.
    QTimer::singleShot(0, this, [] { qCInfo(lcStartup) << "main window shown"; });
}

void MLAppWindow::installMenu() {
    QMenu *menu = menuBar()->addMenu(QStringLiteral("Application"));
    QAction *about = menu->addAction(QStringLiteral("关于我们"));
    about->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_I), QKeySequence(Qt::CTRL | Qt::META | Qt::Key_I)});
    connect(about, &QAction::triggered, this, [this] {
        QMessageBox::about(this, QStringLiteral("关于我们"),
                           QApplication::applicationDisplayName() + QLatin1Char(' ') +
                               QApplication::applicationVersion());
    });
    QAction *close = menu->addAction(QStringLiteral("关闭"));
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    connect(close, &QAction::triggered, this, [this] {
        // Nothing can show the main window again: closing it ends the application, through the quit
        // that ends a running session properly. Other windows are only closed.
        QWidget *active = QApplication::activeWindow();
        if (!active || active == this)
            QApplication::quit();
        else
            active->hide();
    });
    menu->addSeparator();
    QAction *quit = menu->addAction(QStringLiteral("退出"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, qApp, &QApplication::quit);
    QAction *paste = menu->addAction(QStringLiteral("粘贴"));
    paste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    paste->setShortcutContext(Qt::ApplicationShortcut);
    connect(paste, &QAction::triggered, this, [] {
        if (QWidget *focus = QApplication::focusWidget())
            QMetaObject::invokeMethod(focus, "paste");
    });
    menu->addAction(QStringLiteral("gw")); // inert
}
