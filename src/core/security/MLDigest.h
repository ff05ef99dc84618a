#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Digests and encodings of the request envelope and the stored key texts.
namespace MLDigest {

// MD5 as 32 lower-case hexadecimal digits.
QString md5Hex(const QByteArray &data);
// MD5 of the UTF-8 bytes of `text`.
QString md5Hex(const QString &text);

// Standard Base64 with padding.
QString base64Encode(const QByteArray &data);
// Empty for any character outside the standard alphabet (whitespace included) or data after the
// padding; the padding itself may be left off.
QByteArray base64Decode(const QString &text);

} // namespace MLDigest
