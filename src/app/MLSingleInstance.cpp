#include "app/MLSingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcInstance, "ml.instance")

namespace {
const QByteArray kShowRequest = "show\n";
const QByteArray kAnswer = "ok\n";
const QString kLockName = QStringLiteral("/mltranslate.lock");
const QString kSocketName = QStringLiteral("/mltranslate.socket");
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
    return runtimeFolder() + kSocketName;
}

MLSingleInstance::Role MLSingleInstance::claim() {
    const QString runtime = runtimeFolder();
    if (runtime.isEmpty())
        qCWarning(lcInstance) << "there is no runtime folder";
    else if (const std::optional<Role> role = claimIn(runtime))
        return *role;
    // Every start meets the same obstacle in the runtime folder, so every start comes here.
    const QString fallback = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (QDir().mkpath(fallback) &&
        QFile::setPermissions(fallback, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        if (const std::optional<Role> role = claimIn(fallback)) {
            if (*role == Role::Running)
                qCWarning(lcInstance) << "the lock and the socket are in" << fallback;
            return *role;
        }
    }
    qCWarning(lcInstance) << "running without the single-instance guard";
    return Role::Running;
}

std::optional<MLSingleInstance::Role> MLSingleInstance::claimIn(const QString &folder) {
    const QString path = folder + kLockName;
    const int file = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (file < 0) {
        qCWarning(lcInstance) << "cannot open" << path << std::strerror(errno);
        return std::nullopt;
    }
    if (::flock(file, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(file);
        if (error == EWOULDBLOCK)
            return askRunningInstance(folder + kSocketName) ? Role::HandedOver : Role::Unreachable;
        qCWarning(lcInstance) << "cannot lock" << path << std::strerror(error);
        return std::nullopt;
    }
    if (!acceptConnections(folder + kSocketName)) {
        ::close(file); // a later start, which cannot listen here either, must not wait for this one
        return std::nullopt;
    }
    m_lockFile = file;
    return Role::Running;
}

bool MLSingleInstance::acceptConnections(const QString &socket) {
    // Holding the lock, any socket file left there belongs to an app that is gone.
    QLocalServer::removeServer(socket);
    m_server = new QLocalServer(this);
    if (!m_server->listen(socket)) {
        qCWarning(lcInstance) << "cannot listen on" << socket << m_server->errorString();
        delete m_server;
        m_server = nullptr;
        return false;
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
    return true;
}

bool MLSingleInstance::askRunningInstance(const QString &socketPath) {
    // The running app may hold the lock a moment before it listens.
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
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
    qCWarning(lcInstance) << "the running app does not answer on" << socketPath;
    return false;
}
