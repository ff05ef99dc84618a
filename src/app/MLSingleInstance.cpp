#include "app/MLSingleInstance.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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

MLSingleInstance::~MLSingleInstance() {
    if (m_lockFile >= 0)
        ::close(m_lockFile); // drops the lock
}

QString MLSingleInstance::runtimeFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString MLSingleInstance::socketPath() {
    return runtimeFolder() + QStringLiteral("/mltranslate.socket");
}

MLSingleInstance::Role MLSingleInstance::claim() {
    const QByteArray path = QFile::encodeName(runtimeFolder() + QStringLiteral("/mltranslate.lock"));
    const int file = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (file >= 0 && ::flock(file, LOCK_EX | LOCK_NB) == 0) {
        m_lockFile = file;
        acceptConnections();
        return Role::Running;
    }
    if (file >= 0)
        ::close(file);
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
