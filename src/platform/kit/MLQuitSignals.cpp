#include "platform/kit/MLQuitSignals.h"

#include <QLoggingCategory>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(lcQuitSignals, "ml.app.signals")

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Written by the handler, read by the notifier; -1 when no instance is installed.
int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_requested = 0;

// Only async-signal-safe calls here.
void onSignal(int number) {
    if (g_requested) {
        // The app is already ending: this one ends it now.
        std::signal(number, SIG_DFL);
        std::raise(number);
        return;
    }
    g_requested = 1;
    const int savedErrno = errno;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

MLQuitSignals::MLQuitSignals(QObject *parent)
    : QObject(parent) {
    if (g_pipe[0] >= 0) {
        qCWarning(lcQuitSignals) << "the quit signals are already handled";
        return;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) {
        qCWarning(lcQuitSignals) << "cannot handle the quit signals:" << qt_error_string(errno);
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    // The handler must never block on a full socket.
    ::fcntl(g_pipe[0], F_SETFL, ::fcntl(g_pipe[0], F_GETFL) | O_NONBLOCK);
    g_requested = 0;
    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &MLQuitSignals::readRequest);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kSignals)
        ::sigaction(number, &action, nullptr);
}

MLQuitSignals::~MLQuitSignals() {
    if (!m_notifier)
        return;
    for (const int number : kSignals)
        std::signal(number, SIG_DFL);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void MLQuitSignals::readRequest() {
    char byte = 0;
    if (::read(g_pipe[1], &byte, 1) != 1)
        return;
    qCInfo(lcQuitSignals) << "asked to end by signal" << int(byte);
    Q_EMIT quitRequested(byte);
}
