#include "core/security/MLDigest.h"

#include <QCryptographicHash>

namespace MLDigest {

QString md5Hex(const QByteArray &data) {
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex());
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
