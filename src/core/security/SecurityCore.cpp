#include "core/security/SecurityCore.h"

#include "core/model/MLJsonModel.h"
#include "core/security/MLDigest.h"
#include "core/security/MLRsa.h"
#include "core/security/MLSecurityLog.h"
#include "core/security/MLStoredKeys.h"

#include <QStringDecoder>

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>

Q_LOGGING_CATEGORY(lcSecurity, "ml.security")

namespace {

constexpr qsizetype kBlockSize = 16;

// A copy of the key and IV that wipes itself.
struct KeyMaterial {
    std::array<unsigned char, kBlockSize> key{};
    std::array<unsigned char, kBlockSize> iv{};
    KeyMaterial() = default;
    KeyMaterial(const KeyMaterial &) = default;
    KeyMaterial &operator=(const KeyMaterial &) = default;
    ~KeyMaterial() {
        OPENSSL_cleanse(key.data(), key.size());
        OPENSSL_cleanse(iv.data(), iv.size());
    }
};

struct KeyStore {
    std::mutex mutex;
    std::optional<KeyMaterial> material;
};

KeyStore &keyStore() {
    static KeyStore store;
    return store;
}

std::optional<KeyMaterial> currentKey() {
    KeyStore &store = keyStore();
    const std::lock_guard lock(store.mutex);
    return store.material;
}

struct CipherFree {
    void operator()(EVP_CIPHER *c) const { EVP_CIPHER_free(c); }
};
struct CipherCtxFree {
    void operator()(EVP_CIPHER_CTX *c) const { EVP_CIPHER_CTX_free(c); }
};

// Fetched once: an implicit fetch on every call would cost more than the cipher itself on short texts.
const EVP_CIPHER *aes128Cbc() {
    static const std::unique_ptr<EVP_CIPHER, CipherFree> cipher(
        EVP_CIPHER_fetch(nullptr, "AES-128-CBC", nullptr));
    return cipher.get();
}

// Runs AES-128-CBC with PKCS#7 padding over `input`; nothing on any failure (bad padding included).
std::optional<QByteArray> runCipher(bool encrypt, const KeyMaterial &material, const QByteArray &input) {
    const EVP_CIPHER *cipher = aes128Cbc();
    const std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree> ctx(EVP_CIPHER_CTX_new());
    if (!cipher || !ctx ||
        EVP_CipherInit_ex2(ctx.get(), cipher, material.key.data(), material.iv.data(), encrypt ? 1 : 0,
                           nullptr) <= 0) {
        ERR_clear_error();
        return std::nullopt;
    }
    QByteArray output(input.size() + kBlockSize, Qt::Uninitialized);
    auto *out = reinterpret_cast<unsigned char *>(output.data());
    const auto *in = reinterpret_cast<const unsigned char *>(input.constData());
    qsizetype written = 0;
    // EVP takes int lengths; feed very large inputs in pieces.
    constexpr qsizetype kChunk = qsizetype(1) << 30;
    for (qsizetype offset = 0; offset < input.size(); offset += kChunk) {
        const int length = static_cast<int>(std::min(kChunk, input.size() - offset));
        int produced = 0;
        if (EVP_CipherUpdate(ctx.get(), out + written, &produced, in + offset, length) <= 0) {
            ERR_clear_error();
            return std::nullopt;
        }
        written += produced;
    }
    int produced = 0;
    if (EVP_CipherFinal_ex(ctx.get(), out + written, &produced) <= 0) {
        ERR_clear_error(); // bad padding: leave nothing for Qt's TLS to trip over
        return std::nullopt;
    }
    output.truncate(written + produced);
    return output;
}

// Value of each ASCII hex digit, -1 for every other character.
constexpr std::array<signed char, 128> kHexValues = [] {
    std::array<signed char, 128> values{};
    values.fill(-1);
    for (int i = 0; i < 10; ++i)
        values['0' + i] = static_cast<signed char>(i);
    for (int i = 0; i < 6; ++i) {
        values['a' + i] = static_cast<signed char>(10 + i);
        values['A' + i] = static_cast<signed char>(10 + i);
    }
    return values;
}();

inline int hexNibble(char16_t c) {
    return c < kHexValues.size() ? kHexValues[c] : -1;
}

// Unlike QByteArray::fromHex, which skips what is not a digit, any stray character is a failure.
std::optional<QByteArray> fromHexStrict(QStringView text) {
    if (text.size() % 2 != 0)
        return std::nullopt;
    QByteArray bytes(text.size() / 2, Qt::Uninitialized);
    const char16_t *digits = text.utf16();
    char *out = bytes.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const int high = hexNibble(digits[2 * i]);
        const int low = hexNibble(digits[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out[i] = static_cast<char>((high << 4) | low);
    }
    return bytes;
}

// The exact text of valid UTF-8 (a leading BOM kept, so the bytes come back unchanged for the digest
// test); nothing for malformed input, which is what a wrong key or a forged answer decrypts to.
std::optional<QString> fromUtf8Strict(const QByteArray &bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

void SecurityCore::setKey(const QByteArray &key, const QByteArray &iv) {
    if (key.size() != kBlockSize || iv.size() != kBlockSize) {
        qCWarning(lcSecurity) << "refused an AES key of" << key.size() << "bytes and an IV of" << iv.size()
                              << "bytes; both must be 16";
        return;
    }
    KeyMaterial material;
    std::memcpy(material.key.data(), key.constData(), kBlockSize);
    std::memcpy(material.iv.data(), iv.constData(), kBlockSize);
    KeyStore &store = keyStore();
    const std::lock_guard lock(store.mutex);
    store.material = material;
}

bool SecurityCore::hasKey() {
    KeyStore &store = keyStore();
    const std::lock_guard lock(store.mutex);
    return store.material.has_value();
}

QString SecurityCore::encryptString(const QString &plainText) {
    if (plainText.isEmpty())
        return {};
    const std::optional<KeyMaterial> material = currentKey();
    if (!material) {
        qCWarning(lcSecurity) << "encryptString: no key set";
        return {};
    }
    const std::optional<QByteArray> cipherText = runCipher(true, *material, plainText.toUtf8());
    if (!cipherText) {
        qCWarning(lcSecurity) << "encryptString: the cipher failed";
        return {};
    }
    return QString::fromLatin1(cipherText->toHex());
}

QString SecurityCore::decryptString(const QString &hexText) {
    if (hexText.isEmpty())
        return {};
    const std::optional<KeyMaterial> material = currentKey();
    if (!material) {
        qCWarning(lcSecurity) << "decryptString: no key set";
        return {};
    }
    if (hexText.size() % (2 * kBlockSize) != 0) {
        qCWarning(lcSecurity) << "decryptString: not whole blocks:" << hexText.size() << "digits";
        return {};
    }
    const std::optional<QByteArray> cipherText = fromHexStrict(hexText);
    if (!cipherText) {
        qCWarning(lcSecurity) << "decryptString: not hexadecimal";
        return {};
    }
    const std::optional<QByteArray> plain = runCipher(false, *material, *cipherText);
    if (!plain) {
        qCWarning(lcSecurity) << "decryptString: bad padding (wrong key or damaged text)";
        return {};
    }
    std::optional<QString> text = fromUtf8Strict(*plain);
    if (!text) {
        qCWarning(lcSecurity) << "decryptString: result is not UTF-8 (wrong key or damaged text)";
        return {};
    }
    return *std::move(text);
}

QString SecurityCore::decryptString(const QJsonValue &value) {
    if (value.isString())
        return decryptString(value.toString());
    if (value.isDouble())
        return decryptString(ml::json::detail::numberToText(value));
    return {};
}

bool SecurityCore::recoverStoredKey() {
    const QByteArray publicKey(MLStoredKeys::publicKeyPem);
    const QByteArray key =
        MLRsa::publicDecrypt(publicKey, MLDigest::base64Decode(QString::fromLatin1(MLStoredKeys::keyText)));
    const QByteArray iv =
        MLRsa::publicDecrypt(publicKey, MLDigest::base64Decode(QString::fromLatin1(MLStoredKeys::ivText)));
    if (key.size() != kBlockSize || iv.size() != kBlockSize) {
        qCWarning(lcSecurity) << "the stored request key does not recover; the key is unchanged";
        return false;
    }
    setKey(key, iv);
    qCInfo(lcSecurity) << "request key recovered";
    return true;
}
