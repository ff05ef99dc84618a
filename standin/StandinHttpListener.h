#pragma once

#include <QAbstractHttpServer>

#include <functional>

class QHttpServerRequest;
class QTcpSocket;

// The HTTP front of the stand-in: hands every parsed request, with its socket, to one handler that
// writes the answer (now, later, or never) itself.
class StandinHttpListener final : public QAbstractHttpServer {
    Q_OBJECT
public:
    using Handler = std::function<void(const QHttpServerRequest &request, QTcpSocket *socket)>;

    explicit StandinHttpListener(Handler handler, QObject *parent = nullptr);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    Handler m_handler;
};
