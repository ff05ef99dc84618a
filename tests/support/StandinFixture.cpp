#include "support/StandinFixture.h"

#include "core/net/MLServiceOrigins.h"
#include "core/security/SecurityCore.h"
#include "core/session/MLUserManager.h"

namespace ml::test {

StandinFixture::StandinFixture()
    : m_previousApi(MLServiceOrigins::apiBaseUrl())
    , m_previousPay(MLServiceOrigins::payBaseUrl()) {
    SecurityCore::recoverStoredKey();
    m_running = m_server.listen(0);
    MLServiceOrigins::setApiBaseUrl(apiBaseUrl());
    MLServiceOrigins::setPayBaseUrl(payBaseUrl());
}

StandinFixture::~StandinFixture() {
    MLServiceOrigins::setApiBaseUrl(m_previousApi);
    MLServiceOrigins::setPayBaseUrl(m_previousPay);
}

QString StandinFixture::apiBaseUrl() const {
    return m_server.baseUrl().toString();
}

QString StandinFixture::payBaseUrl() const {
    return m_server.payBaseUrl().toString();
}

QString StandinFixture::demoToken() {
    return m_server.state().demoToken();
}

void StandinFixture::signInDemo(MLUserManager *users) {
    (users ? *users : MLUserManager::sharedManager()).setCurrentUser(MLUserModel{demoToken()});
}

} // namespace ml::test
