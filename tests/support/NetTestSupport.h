#pragma once

#include "StandinFixture.h"

#include "core/session/MLUserManager.h"
#include "platform/http/MLHttpTransport.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLUserDefaults.h"

#include <QStringList>
#include <QTemporaryDir>

namespace ml::test {

// One client stack against the stand-in: its own settings file and session store, signed in with the
// demo account's token, a transport with a timeout generous for a loaded machine, and the request
// manager under test. Clears the stand-in's injected faults. Make one per test.
template <class Manager> struct NetClientStack final {
    explicit NetClientStack(StandinFixture &standin)
        : defaults(dir.filePath(QStringLiteral("defaults.ini")))
        , users(defaults)
        , manager(transport, users) {
        users.setCurrentUser(MLUserModel{standin.demoToken()});
        transport.setTransferTimeout(5000);
        standin.server().clearFaults();
    }

    QTemporaryDir dir;
    MLUserDefaults defaults;
    MLUserManager users;
    MLHttpTransport transport;
    Manager manager;
};

// Appends "logout" to `events` each time sign-out is announced, while `observer` lives.
inline void recordLogouts(QObject &observer, QStringList &events) {
    MLNotificationCenter::defaultCenter().addObserver(
        &observer, QStringLiteral("NotificationUSERLOGOUT"),
        [&events](const MLNotification &) { events << QStringLiteral("logout"); });
}

} // namespace ml::test
