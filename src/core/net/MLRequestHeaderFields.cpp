#include "core/net/MLRequestHeaderFields.h"

#include "core/session/MLUserManager.h"
#include "core/session/RezirDeviceInfo.h"

#include <QNetworkRequest>
#include <QSysInfo>

QString MLRequestHeaderFields::appVersion() {
    return QStringLiteral(ML_APP_VERSION);
}

QString MLRequestHeaderFields::osVersion() {
    // Qt reads VERSION_ID from /etc/os-release (or /usr/lib/os-release).
    static const QString version = QSysInfo::productVersion();
    return version;
}

void MLRequestHeaderFields::apply(QNetworkRequest &request, const MLUserManager &users) {
    if (const auto user = users.currentUser()) {
        const QByteArray token = user->token.toUtf8();
        // A token with line breaks would forge header lines; such a token is not sent at all.
        if (!token.contains('\r') && !token.contains('\n') && !token.contains('\0'))
            request.setRawHeader("tk", token);
    }
    const QVariantMap device = RezirDeviceInfo::getDeviceInfo();
    request.setRawHeader("ver", appVersion().toUtf8());
    request.setRawHeader("osVer", osVersion().toUtf8());
    request.setRawHeader("osType", "4");
    request.setRawHeader("osId", device.value(QStringLiteral("idfv")).toString().toUtf8());
    request.setRawHeader("ipAddr", device.value(QStringLiteral("ip")).toString().toUtf8());
    request.setRawHeader("userChannel", "gw");
}
