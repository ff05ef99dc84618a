#include "core/net/MLEncryptOperation.h"

#include "core/model/MLJsonWriter.h"
#include "core/security/MLDigest.h"
#include "core/security/SecurityCore.h"

#include <cstring>

QByteArray MLEncryptOperation::envelopeBytes(QByteArrayView json) {
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
    return text;
}

QString MLEncryptOperation::envelope(const QByteArray &json) {
    return QString::fromLatin1(envelopeBytes(json));
}

QByteArray MLEncryptOperation::envelopeBytes(const QJsonObject &parameters) {
    return envelopeBytes(ml::json::compact(parameters));
}

QByteArray MLEncryptOperation::envelopeBytes(const MLOrderedParameters &parameters) {
    return envelopeBytes(orderedJson(parameters));
}

QString MLEncryptOperation::returnRequestJsonToDic(const QJsonObject &parameters) {
    // The same text as QJsonDocument writes, in one buffer; what is not valid UTF-16 is escapes (a lone
    // surrogate becomes \ud800), so the bytes are always valid UTF-8.
    return QString::fromLatin1(envelopeBytes(parameters));
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

namespace {

bool isJsonSpace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

} // namespace

std::optional<MLEncryptOperation::Fields> MLEncryptOperation::readFields(QByteArrayView json) {
    const char *at = json.begin();
    const char *const end = json.end();
    const auto skipSpace = [&] {
        while (at != end && isJsonSpace(*at))
            ++at;
    };
    // A string from its opening quote; its contents (escapes left as they stand) and whether it had any.
    const auto readString = [&](QByteArrayView &contents, bool &escaped) {
        const char *const start = ++at;
        escaped = false;
        while (true) {
            at = static_cast<const char *>(std::memchr(at, '"', size_t(end - at)));
            if (!at)
                return false;
            // The quote ends the string unless an odd run of backslashes comes before it.
            const char *back = at;
            while (back != start && back[-1] == '\\')
                --back;
            escaped = escaped || std::memchr(start, '\\', size_t(at - start)) != nullptr;
            if ((at - back) % 2 == 0)
                break;
            ++at;
        }
        contents = QByteArrayView(start, at - start);
        ++at;
        return true;
    };

    std::optional<Fields> fields{Fields{}};
    bool seenDt = false;
    bool seenM5 = false;
    skipSpace();
    if (at == end || *at != '{')
        return std::nullopt;
    ++at;
    skipSpace();
    if (at != end && *at == '}')
        return std::nullopt; // no "dt"
    while (true) {
        QByteArrayView key;
        bool keyEscaped = false;
        if (at == end || *at != '"' || !readString(key, keyEscaped) || keyEscaped)
            return std::nullopt;
        skipSpace();
        if (at == end || *at != ':')
            return std::nullopt;
        ++at;
        skipSpace();
        if (at == end)
            return std::nullopt;
        const bool isDt = key == "dt";
        const bool isM5 = key == "m5";
        if (isDt || isM5) {
            QByteArrayView value;
            bool valueEscaped = false;
            // A field twice, or one that is not a plain string: the parsed object decides.
            if ((isDt ? seenDt : seenM5) || *at != '"' || !readString(value, valueEscaped) || valueEscaped)
                return std::nullopt;
            (isDt ? fields->dt : fields->m5) = value;
            (isDt ? seenDt : seenM5) = true;
        } else if (*at == '"') {
            QByteArrayView value;
            bool valueEscaped = false;
            if (!readString(value, valueEscaped))
                return std::nullopt;
        } else {
            // Any other value is skipped to the comma or brace that ends it, strings inside included.
            int depth = 0;
            while (at != end && (depth > 0 || (*at != ',' && *at != '}'))) {
                if (*at == '"') {
                    QByteArrayView value;
                    bool valueEscaped = false;
                    if (!readString(value, valueEscaped))
                        return std::nullopt;
                    continue;
                }
                if (*at == '{' || *at == '[')
                    ++depth;
                else if (*at == '}' || *at == ']')
                    --depth;
                ++at;
            }
        }
        skipSpace();
        if (at == end)
            return std::nullopt;
        if (*at == '}')
            break;
        if (*at != ',')
            return std::nullopt;
        ++at;
        skipSpace();
    }
    ++at;
    skipSpace();
    if (at != end || !seenDt || !seenM5)
        return std::nullopt;
    return fields;
}
