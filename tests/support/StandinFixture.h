#pragma once

#include "StandinServer.h"

#include <QString>

class MLUserManager;

namespace ml::test {

// The stand-in service started in-process on 127.0.0.1 (a free port), with the request cipher's key
// recovered and the service origins (API and payment) pointed at it for the fixture's life. Network
// tests make one in initTestCase (or per test) and drive the real clients against it.
class StandinFixture final {
public:
    StandinFixture();
    ~StandinFixture();
    StandinFixture(const StandinFixture &) = delete;
    StandinFixture &operator=(const StandinFixture &) = delete;

    // False when the server could not listen; check it with QVERIFY.
    bool isRunning() const { return m_running; }

    StandinServer &server() { return m_server; }
    QString apiBaseUrl() const;
    QString payBaseUrl() const;

    // The seeded demo account's sign-in token.
    QString demoToken();
    // Stores the demo account as the signed-in user of `users` (the shared session store by default).
    void signInDemo(MLUserManager *users = nullptr);

private:
    StandinServer m_server;
    bool m_running = false;
    QString m_previousApi;
    QString m_previousPay;
};

} // namespace ml::test
