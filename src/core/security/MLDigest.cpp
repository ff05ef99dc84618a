#include "core/security/MLDigest.h"

#include <openssl/err.h>
#include <openssl/evp.h>

#include <array>
#include <memory>

namespace {

struct MdFree {
    void operator()(EVP_MD *md) const { EVP_MD_free(md); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX *ctx) const { EVP_MD_CTX_free(ctx); }
};

// OpenSSL's MD5, fetched once, with one context per thread: an implicit fetch on every call would cost
// more than the digest of a short text.
bool md5(QByteArrayView data, std::array<unsigned char, 16> &digest) {
    static const std::unique_ptr<EVP_MD, MdFree> md(EVP_MD_fetch(nullptr, "MD5", nullptr));
    thread_local const std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    unsigned int size = 0;
    if (!md || !ctx || EVP_DigestInit_ex2(ctx.get(), md.get(), nullptr) <= 0 ||
        EVP_DigestUpdate(ctx.get(), data.data(), size_t(data.size())) <= 0 ||
        EVP_DigestFinal_ex(ctx.get(), digest.data(), &size) <= 0 || size != digest.size()) {
        ERR_clear_error();
        return false;
    }
    return true;
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
