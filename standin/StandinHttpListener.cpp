#include "StandinHttpListener.h"

#include <QTcpSocket>

StandinHttpListener::StandinHttpListener(Handler handler, QObject *parent)
    : QAbstractHttpServer(parent)
    , m_handler(std::move(handler)) {}

bool StandinHttpListener::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) {
    m_handler(request, socket);
    return true;
}

void StandinHttpListener::missingHandler(const QHttpServerRequest &, QTcpSocket *socket) {
    socket->disconnectFromHost();
}
