#include "StandinServer.h"

#include <QHostAddress>

StandinServer::StandinServer(QObject *parent)
    : QObject(parent)
    , m_http(std::make_unique<QHttpServer>()) {}

StandinServer::~StandinServer() = default;

bool StandinServer::listen(quint16 port) {
    const quint16 bound = m_http->listen(QHostAddress::LocalHost, port);
    if (bound == 0)
        return false;
    m_port = bound;
    return true;
}

QUrl StandinServer::baseUrl() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port));
}
