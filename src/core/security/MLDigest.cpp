#include "core/security/MLDigest.h"

#include "platform/crypto/MLCryptoBackend.h"

#include <array>

namespace {

bool md5(QByteArrayView data, std::array<unsigned char, 16> &digest) {
    MLCryptoBackend *crypto = MLCryptoBackend::instance();
    return crypto && crypto->md5(data, digest);
}

} // namespace

namespace MLDigest {

void appendMd5Hex(QByteArrayView data, QByteArray &out) {
    std::array<unsigned char, 16> digest{};
    if (!md5(data, digest))
        return;
    static constexpr char kDigits[] = "0123456789abcdef";
    const qsizetype start = out.size();
    out.resize(start + 32);
    char *hex = out.data() + start;
    for (const unsigned char byte : digest) {
        *hex++ = kDigits[byte >> 4];
        *hex++ = kDigits[byte & 0xf];
    }
}

QString md5Hex(const QByteArray &data) {
    QByteArray hex;
    appendMd5Hex(data, hex);
    return QString::fromLatin1(hex);
}

QString md5Hex(const QString &text) {
    return md5Hex(text.toUtf8());
}

QString base64Encode(const QByteArray &data) {
    return QString::fromLatin1(data.toBase64());
}

QByteArray base64Decode(const QString &text) {
    for (const QChar c : text) {
        if (c.unicode() > 0x7f) // never Base64; keep toLatin1 from folding it into something else
            return {};
    }
    auto result = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    return result ? *result : QByteArray();
}

} // namespace MLDigest
