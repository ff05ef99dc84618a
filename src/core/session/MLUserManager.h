#pragma once

#include "core/session/MLMineModel.h"
#include "core/session/MLUserModel.h"

#include <functional>
#include <optional>

class MLUserDefaults;

// The process-wide session store: the signed-in user (kept in the user defaults under "currentUser",
// read afresh on every access) and the account details of the last "/meInfo/getMeInfo" answer (in
// memory only).
class MLUserManager final {
public:
    static MLUserManager &sharedManager();

    // A store over the given defaults (tests); the shared one uses the standard user defaults.
    explicit MLUserManager(MLUserDefaults &defaults);

    // The stored user, or nothing when the key is absent or its data does not decode.
    std::optional<MLUserModel> currentUser() const;
    // Stores the signed-in user and synchronises the defaults.
    void setCurrentUser(const MLUserModel &user);

    // The account of the last successful account answer; nothing until one has arrived.
    const std::optional<MLMineModel> &currentMineUser() const { return m_currentMineUser; }
    void setCurrentMineUser(std::optional<MLMineModel> account) { m_currentMineUser = std::move(account); }
    // The account's user id, 0 without account details.
    qint64 consumerId() const { return m_currentMineUser ? m_currentMineUser->consumerId : 0; }

    // Removes the stored sign-in and synchronises when it was present; calls `block` with the
    // synchronisation's result (false when nothing was stored). Makes no server call and keeps the
    // account details.
    void logoutBlock(const std::function<void(bool)> &block);

    static constexpr const char *kCurrentUserKey = "currentUser";

private:
    MLUserDefaults &m_defaults;
    std::optional<MLMineModel> m_currentMineUser;
};
