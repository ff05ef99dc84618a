#include "app/AppDelegate.h"
#include "core/net/MLServiceOrigins.h"
#include "platform/audio/MLAudioCapture.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("mltranslate"));
    QApplication::setApplicationName(QStringLiteral("mltranslate"));
    QApplication::setApplicationDisplayName(QStringLiteral("同声传译"));
    QApplication::setApplicationVersion(QStringLiteral(ML_APP_VERSION));
    // The floating subtitle window may be the only one on screen; the app ends by "退出" or by
    // closing the main window.
    QApplication::setQuitOnLastWindowClosed(false);

    MLServiceOrigins::configure(QApplication::arguments());
    // A WAV file may stand in for the microphone (demos and tests): --audio-input FILE.
    const QStringList arguments = QApplication::arguments();
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--audio-input"));
        at >= 0 && at + 1 < arguments.size())
        MLAudioCapture::setInputFile(arguments.at(at + 1));

    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    return app.exec();
}
