#pragma once

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace ml::test {

// An HTTP server on loopback that answers every request with `body`, declared in full by its
// Content-Length, but sends it `piece` bytes every `intervalMs`: a slow, a steady or a nearly stalled
// server, as the test chooses.
class TrickleServer final : public QTcpServer {
public:
    TrickleServer(QByteArray body, qsizetype piece, int intervalMs)
        : m_body(std::move(body))
        , m_piece(piece)
        , m_intervalMs(intervalMs) {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection())
                answer(socket);
        });
    }

    QString url(const QString &path = {}) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path);
    }

private:
    void answer(QTcpSocket *socket) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // The request itself does not matter; the answer starts once its head has arrived.
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            socket->readAll();
            if (socket->property("answering").toBool())
                return;
            socket->setProperty("answering", true);
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                          QByteArray::number(m_body.size()) + "\r\n\r\n");
            auto *timer = new QTimer(socket);
            auto sent = std::make_shared<qsizetype>(0);
            connect(timer, &QTimer::timeout, socket, [this, socket, timer, sent] {
                socket->write(m_body.mid(*sent, m_piece));
                *sent += m_piece;
                if (*sent >= m_body.size())
                    timer->stop();
            });
            timer->start(m_intervalMs);
        });
    }

    QByteArray m_body;
    qsizetype m_piece;
    int m_intervalMs;
};

} // namespace ml::test
