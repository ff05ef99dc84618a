#include "core/session/MLUserManager.h"

#include "core/session/MLKeyedArchive.h"
#include "platform/kit/MLUserDefaults.h"

MLUserManager &MLUserManager::sharedManager() {
    static MLUserManager manager(MLUserDefaults::standardUserDefaults());
    return manager;
}

MLUserManager::MLUserManager(MLUserDefaults &defaults)
    : m_defaults(defaults) {}

std::optional<MLUserModel> MLUserManager::currentUser() const {
    return MLKeyedArchive::unarchivedObjectOfClass<MLUserModel>(
        m_defaults.dataForKey(QLatin1String(kCurrentUserKey)));
}

void MLUserManager::setCurrentUser(const MLUserModel &user) {
    m_defaults.setData(MLKeyedArchive::archivedData(user), QLatin1String(kCurrentUserKey));
    m_defaults.synchronize();
}

void MLUserManager::logoutBlock(const std::function<void(bool)> &block) {
    bool result = false;
    if (m_defaults.hasKey(QLatin1String(kCurrentUserKey))) {
        m_defaults.removeObjectForKey(QLatin1String(kCurrentUserKey));
        result = m_defaults.synchronize();
    }
    if (block)
        block(result);
}
