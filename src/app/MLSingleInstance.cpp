#include "app/MLSingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QThread>

Q_LOGGING_CATEGORY(lcInstance, "ml.instance")

namespace {
const QByteArray kShowRequest = "show\n";
const QByteArray kAnswer = "ok\n";
// How long a later start waits for the running app: to begin listening, and to answer.
constexpr int kConnectAttempts = 20;
constexpr int kConnectPauseMs = 100;
constexpr int kAnswerTimeoutMs = 5000;
} // namespace

MLSingleInstance::MLSingleInstance(QObject *parent)
    : QObject(parent) {}

MLSingleInstance::~MLSingleInstance() = default;

QString MLSingleInstance::runtimeFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString MLSingleInstance::socketPath() {
    return runtimeFolder() + QStringLiteral("/mltranslate.socket");
}

MLSingleInstance::Role MLSingleInstance::claim() {
    m_lock = std::make_unique<QLockFile>(runtimeFolder() + QStringLiteral("/mltranslate.lock"));
    // Never stale by age: only a lock whose process has gone is taken over.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        acceptConnections();
        return Role::Running;
    }
    m_lock.reset();
    return askRunningInstance() ? Role::HandedOver : Role::Unreachable;
}

void MLSingleInstance::acceptConnections() {
    // Holding the lock, any socket file left there belongs to an app that is gone.
    QLocalServer::removeServer(socketPath());
    m_server = new QLocalServer(this);
    if (!m_server->listen(socketPath())) {
        qCWarning(lcInstance) << "cannot listen on" << socketPath() << m_server->errorString();
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine())
                    return;
                if (socket->readLine() == kShowRequest)
                    Q_EMIT activationRequested();
                socket->write(kAnswer);
                socket->disconnectFromServer();
            });
        }
    });
}

bool MLSingleInstance::askRunningInstance() {
    // The running app may hold the lock a moment before it listens.
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        if (!socket.waitForConnected(kAnswerTimeoutMs)) {
            QThread::msleep(kConnectPauseMs);
            continue;
        }
        socket.write(kShowRequest);
        if (!socket.waitForBytesWritten(kAnswerTimeoutMs))
            break;
        while (!socket.canReadLine() && socket.waitForReadyRead(kAnswerTimeoutMs)) {
        }
        if (socket.canReadLine() && socket.readLine() == kAnswer)
            return true;
        break;
    }
    qCWarning(lcInstance) << "the running app does not answer on" << socketPath();
    return false;
}
