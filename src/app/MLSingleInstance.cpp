#include "app/MLSingleInstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
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
// How long a later start waits for the app that holds the lock: to take the start or to end (one that
// quits may wait 2 s for the service before it goes), and to answer once connected.
constexpr int kRunningAppWaitMs = 10000;
constexpr int kRetryPauseMs = 100;
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
    // The app that holds the lock takes the start, unless it does not listen: it is still starting, or
    // it quits. Then the lock is tried again until that app listens or goes.
    const QString socket = folder + kSocketName;
    const QDeadlineTimer deadline(kRunningAppWaitMs);
    bool waiting = false;
    while (::flock(file, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error != EWOULDBLOCK) {
            ::close(file);
            qCWarning(lcInstance) << "cannot lock" << path << std::strerror(error);
            return std::nullopt;
        }
        const Answer answer = askRunningInstance(socket);
        if (answer == Answer::Taken) {
            ::close(file);
            return Role::HandedOver;
        }
        if (answer == Answer::None || deadline.hasExpired()) {
            ::close(file);
            qCWarning(lcInstance) << "the running app does not answer on" << socket;
            return Role::Unreachable;
        }
        if (!waiting) {
            qCInfo(lcInstance) << "waiting for the running app to take the start or to end";
            waiting = true;
        }
        QThread::msleep(kRetryPauseMs);
    }
    if (!acceptConnections(socket)) {
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
    connect(qApp, &QCoreApplication::aboutToQuit, this, &MLSingleInstance::stopTakingStarts);
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

void MLSingleInstance::stopTakingStarts() {
    // The server's connections are its children: a start whose request is not answered yet sees its
    // connection close, and waits for this app to go. The socket file goes with the server.
    delete m_server;
    m_server = nullptr;
}

MLSingleInstance::Answer MLSingleInstance::askRunningInstance(const QString &socketPath) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(kAnswerTimeoutMs))
        return Answer::NotTaking;
    socket.write(kShowRequest);
    socket.waitForBytesWritten(kAnswerTimeoutMs);
    while (!socket.canReadLine() && socket.waitForReadyRead(kAnswerTimeoutMs)) {
    }
    if (socket.canReadLine())
        return socket.readLine() == kAnswer ? Answer::Taken : Answer::None;
    // Closed unanswered: the app quits. Still open: it does not answer.
    return socket.state() == QLocalSocket::UnconnectedState ? Answer::NotTaking : Answer::None;
}
