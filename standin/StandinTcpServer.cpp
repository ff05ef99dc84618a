#include "StandinTcpServer.h"

#include <QTcpSocket>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

void StandinTcpServer::acknowledgeQuickly(qintptr socketDescriptor) {
#ifdef Q_OS_LINUX
    // Quick-ack mode is not permanent; callers arm it again after each request.
    const int on = 1;
    ::setsockopt(static_cast<int>(socketDescriptor), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
#else
    Q_UNUSED(socketDescriptor);
#endif
}

void StandinTcpServer::incomingConnection(qintptr socketDescriptor) {
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(socketDescriptor)) {
        delete socket;
        return;
    }
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    acknowledgeQuickly(socketDescriptor);
    addPendingConnection(socket);
}
