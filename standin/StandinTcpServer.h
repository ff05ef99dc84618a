#pragma once

#include <QTcpServer>

// The listening socket of the stand-in. Clients that write a request's head and body separately (Qt's
// HTTP client does) would otherwise wait for the delayed acknowledgement of the head on every request;
// the stand-in acknowledges at once, so loopback round trips measure the code, not the TCP timers.
class StandinTcpServer final : public QTcpServer {
    Q_OBJECT
public:
    using QTcpServer::QTcpServer;

    // Asks the kernel to acknowledge the next segments of `socket` at once (Linux; elsewhere nothing).
    static void acknowledgeQuickly(qintptr socketDescriptor);

protected:
    void incomingConnection(qintptr socketDescriptor) override;
};
