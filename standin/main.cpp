#include "StandinServer.h"
#include "StandinSpeechServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("standin"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Local stand-in of the translation service (loopback only)"));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("port"), QStringLiteral("HTTP port on 127.0.0.1"),
                      QStringLiteral("port"), QStringLiteral("8765")});
    parser.addOption({QStringLiteral("speech-port"), QStringLiteral("Speech WebSocket port"),
                      QStringLiteral("port"), QStringLiteral("8766")});
    parser.addOption({QStringLiteral("data-dir"), QStringLiteral("Folder for the service's files"),
                      QStringLiteral("dir")});
    parser.process(app);

    bool portOk = false;
    const uint port = parser.value(QStringLiteral("port")).toUInt(&portOk);
    bool speechPortOk = false;
    const uint speechPort = parser.value(QStringLiteral("speech-port")).toUInt(&speechPortOk);
    if (!portOk || port > 65535 || !speechPortOk || speechPort > 65535) {
        std::fprintf(stderr, "standin: ports are numbers from 0 to 65535\n");
        return 2;
    }

    StandinServer server;
    if (parser.isSet(QStringLiteral("data-dir")))
        server.setDataDir(parser.value(QStringLiteral("data-dir")));
    if (!server.listen(static_cast<quint16>(port))) {
        std::fprintf(stderr, "standin: cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    StandinSpeechServer speech;
    if (!speech.listen(static_cast<quint16>(speechPort))) {
        std::fprintf(stderr, "standin: cannot listen for speech on 127.0.0.1:%u\n", speechPort);
        return 1;
    }
    std::printf("standin: service API at %s\n", qPrintable(server.baseUrl().toString()));
    std::printf("standin: payment at %s\n", qPrintable(server.payBaseUrl().toString()));
    std::printf("standin: speech endpoint %s\n", qPrintable(speech.urlTemplate()));
    std::printf("standin: data folder %s\n", qPrintable(server.dataDir()));
    std::printf("standin: demo sign-in token %s\n", qPrintable(server.state().demoToken()));
    std::printf("standin: demo sign-in token with a small balance %s\n",
                qPrintable(server.state().lowBalanceDemoToken()));
    std::fflush(stdout);
    return app.exec();
}
