#pragma once

#include <QJsonObject>
#include <QString>
#include <QVariantMap>

// The request envelope that pages pass as the parameters of a service request.
class MLEncryptOperation final {
public:
    // The compact JSON text {"dt": the parameters' compact JSON text encrypted with
    // SecurityCore::encryptString, "m5": the MD5 of that JSON text (UTF-8) as 32 lower-case hex digits}.
    static QString returnRequestJsonToDic(const QJsonObject &parameters);
    static QString returnRequestJsonToDic(const QVariantMap &parameters);
};
