#include "StandinServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("standin"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Local stand-in of the translation service"));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("port"), QStringLiteral("HTTP port on 127.0.0.1"),
                      QStringLiteral("port"), QStringLiteral("8765")});
    parser.addOption({QStringLiteral("speech-port"), QStringLiteral("Speech WebSocket port"),
                      QStringLiteral("port"), QStringLiteral("8766")});
    parser.addOption({QStringLiteral("data-dir"), QStringLiteral("Folder for the service's files"),
                      QStringLiteral("dir")});
    parser.process(app);

    StandinServer server;
    if (!server.listen(static_cast<quint16>(parser.value(QStringLiteral("port")).toUInt()))) {
        std::fprintf(stderr, "standin: cannot listen on port %s\n",
                     qPrintable(parser.value(QStringLiteral("port"))));
        return 1;
    }
    std::printf("standin: service API at %s\n", qPrintable(server.baseUrl().toString()));
    std::fflush(stdout);
    return app.exec();
}
