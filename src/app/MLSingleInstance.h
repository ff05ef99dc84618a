#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QLocalServer;

// One running app per user. The first start holds a lock on a file and listens on a local socket,
// both in the user's runtime folder; a later start connects, asks the running app to bring its window
// forward, waits for the answer and ends. An app that has begun to quit takes no more starts (it stops
// listening and drops the connections it has not answered): a later start that meets it waits for it
// to go, and then holds the lock and runs itself. A lock or a socket left by a killed app does not stand in
// the way: the lock is the system's advisory lock on the file, dropped when its process ends however
// it ends (nothing is written or synced to take it), and the socket is made afresh by whoever holds
// the lock. This also keeps two apps from writing one history database.
//
// Only a lock that another process holds means that the app is running. When the runtime folder
// cannot hold the two (there is none, or a folder stands in the lock file's or the socket's place),
// every start finds the same and takes them in a private folder of the user's own (the app's cache
// folder) instead; when that fails too, the app runs without the guard. Each such step is logged.
class MLSingleInstance final : public QObject {
    Q_OBJECT
public:
    enum class Role {
        Running,     // this process is the app; activationRequested reports later starts
        HandedOver,  // the running app took the request; this process should end
        Unreachable, // an app holds the lock but neither answers nor ends
    };
    Q_ENUM(Role)

    explicit MLSingleInstance(QObject *parent = nullptr);
    ~MLSingleInstance() override;

    // The socket and the lock file live in this folder (the user's runtime folder).
    static QString runtimeFolder();
    static QString socketPath();

    Role claim();

Q_SIGNALS:
    // A later start asked for the app's window.
    void activationRequested();

private:
    // What the app holding the lock did with a start's request.
    enum class Answer {
        Taken,     // it brings its window forward
        NotTaking, // it does not listen (yet, or any more) or dropped the request: it starts or quits
        None,      // it took the connection but never answered
    };

    // The role this start takes with the lock and the socket in `folder`; none when they cannot be
    // used there.
    std::optional<Role> claimIn(const QString &folder);
    bool acceptConnections(const QString &socketPath);
    void stopTakingStarts();
    static Answer askRunningInstance(const QString &socketPath);

    int m_lockFile = -1; // open, and locked, while this process is the app
    QLocalServer *m_server = nullptr;
};
