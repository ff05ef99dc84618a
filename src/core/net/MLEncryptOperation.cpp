#include "core/net/MLEncryptOperation.h"

#include "core/security/MLDigest.h"
#include "core/security/SecurityCore.h"

#include <QJsonDocument>

QString MLEncryptOperation::envelope(const QByteArray &json) {
    // One byte string serves the cipher and the digest, so "m5" always digests exactly the bytes that
    // "dt" carries.
    const QJsonObject envelope{{QStringLiteral("dt"), QString::fromLatin1(SecurityCore::encryptHex(json))},
                               {QStringLiteral("m5"), MLDigest::md5Hex(json)}};
    return QString::fromLatin1(QJsonDocument(envelope).toJson(QJsonDocument::Compact));
}

QString MLEncryptOperation::returnRequestJsonToDic(const QJsonObject &parameters) {
    // What is not valid UTF-16 is written as escapes (a lone surrogate becomes \ud800), so the bytes are
    // always valid UTF-8.
    return envelope(QJsonDocument(parameters).toJson(QJsonDocument::Compact));
}

QString MLEncryptOperation::returnRequestJsonToDic(const QVariantMap &parameters) {
    return returnRequestJsonToDic(QJsonObject::fromVariantMap(parameters));
}

QString MLEncryptOperation::returnRequestJsonToDic(const MLOrderedParameters &parameters) {
    return envelope(orderedJson(parameters));
}

QByteArray MLEncryptOperation::orderedJson(const MLOrderedParameters &parameters) {
    // QJsonObject sorts its keys, so each pair is written by Qt as an object of its own and the pairs
    // are joined in the order given.
    QByteArrayList pairs;
    pairs.reserve(parameters.size());
    for (const auto &[key, value] : parameters) {
        // An object drops an undefined value; it is written as null.
        const QJsonObject pair{{key, value.isUndefined() ? QJsonValue(QJsonValue::Null) : value}};
        pairs << QJsonDocument(pair).toJson(QJsonDocument::Compact).chopped(1).mid(1);
    }
    return '{' + pairs.join(',') + '}';
}
