#include "app/AppDelegate.h"
#include "app/MLCommandLine.h"
#include "app/MLSingleInstance.h"
#include "platform/kit/MLQuitSignals.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    // Read before the application object exists: --help, --version and mistakes need no display.
    if (const std::optional<int> exitCode = MLCommandLine::apply(argc, argv))
        return *exitCode;

    QApplication app(argc, argv);
    AppDelegate::configureApplication();

    // A second start brings the running app's window forward and ends.
    MLSingleInstance instance;
    switch (instance.claim()) {
    case MLSingleInstance::Role::HandedOver:
        return 0;
    case MLSingleInstance::Role::Unreachable:
        qCritical("mltranslate is already running but does not answer");
        return 1;
    case MLSingleInstance::Role::Running:
        break;
    }

    // Logout, shutdown, Ctrl+C and a closed terminal end the app as closing its main window does.
    MLQuitSignals quitSignals;
    QObject::connect(&quitSignals, &MLQuitSignals::quitRequested, &app, &QApplication::quit);

    AppDelegate delegate;
    QObject::connect(&instance, &MLSingleInstance::activationRequested, &delegate,
                     &AppDelegate::bringWindowForward);
    delegate.applicationDidFinishLaunching();
    return app.exec();
}
