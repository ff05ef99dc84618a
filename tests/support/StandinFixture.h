#pragma once

#include "StandinServer.h"
#include "core/net/MLServiceOrigins.h"
#include "core/security/SecurityCore.h"
#include "core/session/MLUserManager.h"

namespace ml::test {

// The stand-in service started in-process on 127.0.0.1 (a free port), with the request cipher's key
// recovered and the service origins (API and payment) pointed at it for the fixture's life. Network
// tests make one in initTestCase (or per test) and drive the real clients against it.
class StandinFixture final {
public:
    StandinFixture() {
        SecurityCore::recoverStoredKey();
        m_running = m_server.listen(0);
        MLServiceOrigins::setApiBaseUrl(apiBaseUrl());
        MLServiceOrigins::setPayBaseUrl(m_server.payBaseUrl().toString());
    }
    ~StandinFixture() {
        MLServiceOrigins::setApiBaseUrl(m_previousApi);
        MLServiceOrigins::setPayBaseUrl(m_previousPay);
    }
    StandinFixture(const StandinFixture &) = delete;
    StandinFixture &operator=(const StandinFixture &) = delete;

    // False when the server could not listen; check it with QVERIFY.
    bool isRunning() const { return m_running; }

    StandinServer &server() { return m_server; }
    QString apiBaseUrl() const { return m_server.baseUrl().toString(); }

    // The seeded demo account's sign-in token.
    QString demoToken() { return m_server.state().demoToken(); }
    // Stores the demo account as the signed-in user.
    void signInDemo() { MLUserManager::sharedManager().setCurrentUser(MLUserModel{demoToken()}); }

private:
    const QString m_previousApi = MLServiceOrigins::apiBaseUrl();
    const QString m_previousPay = MLServiceOrigins::payBaseUrl();
    StandinServer m_server;
    bool m_running = false;
};

} // namespace ml::test
