#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace ml::test {

// An HTTP server on loopback that answers every request with `body`, declared in full by its
// Content-Length, but sends it `piece` bytes every `intervalMs`: a slow, a steady or a nearly stalled
// server, as the test chooses. With `stopAt`, it sends only that many bytes of the body and then
// nothing more, the connection kept open: a server that stalls after a good start. The request itself
// does not matter; the answer starts once it arrives.
class TrickleServer final : public QTcpServer {
public:
    TrickleServer(const QByteArray &body, qsizetype piece, int intervalMs, qsizetype stopAt = -1) {
        const QByteArray sent = stopAt < 0 ? body : body.first(stopAt);
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [=, this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, socket, [=] {
                    socket->readAll();
                    if (socket->property("answering").toBool())
                        return;
                    socket->setProperty("answering", true);
                    socket->write(
                        "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                        QByteArray::number(body.size()) + "\r\n\r\n");
                    auto *timer = new QTimer(socket);
                    connect(timer, &QTimer::timeout, socket, [=, offset = qsizetype(0)]() mutable {
                        socket->write(sent.mid(offset, piece));
                        offset += piece;
                        if (offset >= sent.size())
                            timer->stop();
                    });
                    timer->start(intervalMs);
                });
            }
        });
    }

    QString url(const QString &path = {}) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path);
    }
};

} // namespace ml::test
