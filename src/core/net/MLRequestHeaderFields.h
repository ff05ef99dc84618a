#pragma once

#include <QString>

class MLUserManager;
class QNetworkRequest;

// The header fields that travel with every call to the service API and the payment origin.
class MLRequestHeaderFields final {
public:
    // Sets `tk` (the stored user's token, only while a user is stored), `ver`, `osVer`, `osType` "4",
    // `osId` (the device's "idfv"), `ipAddr` (the device's "ip") and `userChannel` "gw".
    static void apply(QNetworkRequest &request, const MLUserManager &users);

    // The application's version text.
    static QString appVersion();
    // The operating system's version text (VERSION_ID of /etc/os-release).
    static QString osVersion();
};
