#pragma once

#include <QObject>

class QSocketNotifier;

// The system's requests to end the process (SIGTERM from a logout or a shutdown, SIGINT from Ctrl+C,
// SIGHUP from a closed terminal) as one Qt signal on the thread that made this object: the handler
// only writes a byte into a socket pair, whose other end a socket notifier reads. A second request
// that comes while the first is handled ends the process at once, by the signal's default action.
// One instance at a time; it restores the default actions when it goes.
class MLQuitSignals final : public QObject {
    Q_OBJECT
public:
    explicit MLQuitSignals(QObject *parent = nullptr);
    ~MLQuitSignals() override;

    // Whether the handlers are installed (false when the socket pair could not be made).
    bool isInstalled() const { return m_notifier != nullptr; }

Q_SIGNALS:
    // The first request to end (the signal's number).
    void quitRequested(int signal);

private:
    void readRequest();

    QSocketNotifier *m_notifier = nullptr;
};
