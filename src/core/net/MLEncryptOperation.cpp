#include "core/net/MLEncryptOperation.h"

#include "core/security/MLDigest.h"
#include "core/security/SecurityCore.h"

#include <QJsonDocument>

QString MLEncryptOperation::returnRequestJsonToDic(const QJsonObject &parameters) {
    // Both halves are made from the same QString, so "m5" always digests exactly the bytes that "dt"
    // carries, even for texts the JSON writer could not write as clean UTF-8.
    const QString json = QString::fromUtf8(QJsonDocument(parameters).toJson(QJsonDocument::Compact));
    // Both values are plain hex digits, so the envelope needs no JSON writer: this is the same text
    // QJsonDocument writes, without a second pass over a ciphertext twice the size of the parameters.
    return QStringLiteral("{\"dt\":\"") + SecurityCore::encryptString(json) + QStringLiteral("\",\"m5\":\"") +
           MLDigest::md5Hex(json) + QStringLiteral("\"}");
}

QString MLEncryptOperation::returnRequestJsonToDic(const QVariantMap &parameters) {
    return returnRequestJsonToDic(QJsonObject::fromVariantMap(parameters));
}
