#include "core/net/MLEncryptOperation.h"

#include "core/model/MLJsonWriter.h"
#include "core/security/MLDigest.h"
#include "core/security/SecurityCore.h"

QString MLEncryptOperation::envelope(const QByteArray &json) {
    // One byte string serves the cipher and the digest, so "m5" always digests exactly the bytes that
    // "dt" carries. Both values are plain hex digits, so the envelope needs no JSON writer: this is the
    // same text QJsonDocument writes, built in one buffer.
    static constexpr char kHead[] = "{\"dt\":\"";
    static constexpr char kMiddle[] = "\",\"m5\":\"";
    static constexpr char kTail[] = "\"}";
    QByteArray text;
    text.reserve(2 * (json.size() + 16) + 32 + sizeof kHead + sizeof kMiddle + sizeof kTail);
    text.append(kHead, sizeof kHead - 1);
    SecurityCore::appendEncryptedHex(json, text);
    text.append(kMiddle, sizeof kMiddle - 1);
    MLDigest::appendMd5Hex(json, text);
    text.append(kTail, sizeof kTail - 1);
    return QString::fromLatin1(text);
}

QString MLEncryptOperation::returnRequestJsonToDic(const QJsonObject &parameters) {
    // The same text as QJsonDocument writes, in one buffer; what is not valid UTF-16 is escapes (a lone
    // surrogate becomes \ud800), so the bytes are always valid UTF-8.
    return envelope(ml::json::compact(parameters));
}

QString MLEncryptOperation::returnRequestJsonToDic(const QVariantMap &parameters) {
    return returnRequestJsonToDic(QJsonObject::fromVariantMap(parameters));
}

QString MLEncryptOperation::returnRequestJsonToDic(const MLOrderedParameters &parameters) {
    return envelope(orderedJson(parameters));
}

QByteArray MLEncryptOperation::orderedJson(const MLOrderedParameters &parameters) {
    QByteArray json("{");
    for (const auto &[key, value] : parameters) {
        if (json.size() > 1)
            json += ',';
        ml::json::appendString(key, json);
        json += ':';
        ml::json::appendCompact(value, json);
    }
    json += '}';
    return json;
}
