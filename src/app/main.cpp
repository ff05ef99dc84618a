#include "app/AppDelegate.h"
#include "core/net/MLServiceOrigins.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("mltranslate"));
    QApplication::setApplicationName(QStringLiteral("mltranslate"));
    QApplication::setApplicationDisplayName(QStringLiteral("同声传译"));
    QApplication::setApplicationVersion(QStringLiteral(ML_APP_VERSION));
    // The floating subtitle window may be the only one on screen; the app ends by "退出" or by
    // closing the main window.
    QApplication::setQuitOnLastWindowClosed(false);

    MLServiceOrigins::configure(QApplication::arguments());

    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    return app.exec();
}
