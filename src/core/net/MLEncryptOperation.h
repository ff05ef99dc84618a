#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <utility>

// Request parameters whose keys go out in a given order (QJsonObject sorts its keys).
using MLOrderedParameters = QList<std::pair<QString, QJsonValue>>;

// The request envelope that pages pass as the parameters of a service request.
class MLEncryptOperation final {
public:
    // The compact JSON text {"dt": the parameters' compact JSON text encrypted with
    // SecurityCore::encryptString, "m5": the MD5 of that JSON text (UTF-8) as 32 lower-case hex digits}.
    static QString returnRequestJsonToDic(const QJsonObject &parameters);
    static QString returnRequestJsonToDic(const QVariantMap &parameters);
    // The same, with the parameters' keys written in the order given; "m5" digests that same text.
    static QString returnRequestJsonToDic(const MLOrderedParameters &parameters);

    // The compact JSON text of `parameters`, keys in the order given, keys and values written as
    // QJsonDocument writes them.
    static QByteArray orderedJson(const MLOrderedParameters &parameters);

    // The envelope of a JSON text (UTF-8) as it stands.
    static QString envelope(const QByteArray &json);
};
