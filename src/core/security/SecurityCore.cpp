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

// One cipher context per thread, reset by every initialisation: making one costs as much as the
// cipher itself on short texts.
EVP_CIPHER_CTX *threadContext() {
    thread_local const std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree> ctx(EVP_CIPHER_CTX_new());
    return ctx.get();
}

// Runs AES-128-CBC with PKCS#7 padding over `input` into `out` (room for size + one block); the number
// of bytes written, or nothing on any failure (bad padding included).
std::optional<qsizetype> runCipher(bool encrypt, const KeyMaterial &material, const unsigned char *in,
                                   qsizetype size, unsigned char *out) {
    const EVP_CIPHER *cipher = aes128Cbc();
    EVP_CIPHER_CTX *ctx = threadContext();
    if (!cipher || !ctx ||
        EVP_CipherInit_ex2(ctx, cipher, material.key.data(), material.iv.data(), encrypt ? 1 : 0, nullptr) <=
            0) {
        ERR_clear_error();
        return std::nullopt;
    }
    qsizetype written = 0;
    // EVP takes int lengths; feed very large inputs in pieces.
    constexpr qsizetype kChunk = qsizetype(1) << 30;
    for (qsizetype offset = 0; offset < size; offset += kChunk) {
        const int length = static_cast<int>(std::min(kChunk, size - offset));
        int produced = 0;
        if (EVP_CipherUpdate(ctx, out + written, &produced, in + offset, length) <= 0) {
            ERR_clear_error();
            return std::nullopt;
        }
        written += produced;
    }
    int produced = 0;
    if (EVP_CipherFinal_ex(ctx, out + written, &produced) <= 0) {
        ERR_clear_error(); // bad padding: leave nothing for Qt's TLS to trip over
        return std::nullopt;
    }
    return written + produced;
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

// The two lower-case hex digits of each byte.
constexpr std::array<std::array<char, 2>, 256> kHexPairs = [] {
    constexpr char digits[] = "0123456789abcdef";
    std::array<std::array<char, 2>, 256> pairs{};
    for (int i = 0; i < 256; ++i)
        pairs[i] = {digits[i >> 4], digits[i & 0xf]};
    return pairs;
}();

// Unlike QByteArray::fromHex, which skips what is not a digit, any stray character is a failure.
bool fromHexStrict(QStringView text, unsigned char *__restrict out) {
    const char16_t *__restrict digits = text.utf16();
    // A unit beyond the table's range makes its value negative; any negative value is checked once,
    // at the end, so the loop has no branch.
    const auto nibble = [](char16_t c) { return int(kHexValues[c & 0x7f]) | -int(c >> 7); };
    int bad = 0;
    const qsizetype size = text.size() / 2;
    for (qsizetype i = 0; i < size; ++i) {
        const int high = nibble(digits[2 * i]);
        const int low = nibble(digits[2 * i + 1]);
        bad |= high | low;
        out[i] = static_cast<unsigned char>((high << 4) | low);
    }
    return bad >= 0;
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
    QByteArray hex;
    appendEncryptedHex(plainText.toUtf8(), hex);
    return QString::fromLatin1(hex);
}

bool SecurityCore::appendEncryptedHex(QByteArrayView utf8, QByteArray &out) {
    if (utf8.isEmpty())
        return true;
    const std::optional<KeyMaterial> material = currentKey();
    if (!material) {
        qCWarning(lcSecurity) << "encryptString: no key set";
        return false;
    }
    // The ciphertext goes into the tail of the room its hex digits will take, and the digits are
    // written from the front: each byte is read before its two digits overwrite it.
    const qsizetype start = out.size();
    const qsizetype room = utf8.size() + kBlockSize;
    out.resize(start + 2 * room);
    auto *base = reinterpret_cast<unsigned char *>(out.data()) + start;
    unsigned char *cipherText = base + room;
    const std::optional<qsizetype> length = runCipher(
        true, *material, reinterpret_cast<const unsigned char *>(utf8.data()), utf8.size(), cipherText);
    if (!length) {
        out.truncate(start);
        qCWarning(lcSecurity) << "encryptString: the cipher failed";
        return false;
    }
    char *hex = out.data() + start;
    for (qsizetype i = 0; i < *length; ++i)
        std::memcpy(hex + 2 * i, kHexPairs[cipherText[i]].data(), 2);
    out.truncate(start + 2 * *length);
    return true;
}

QString SecurityCore::decryptString(const QString &hexText) {
    const std::optional<QByteArray> plain = decryptUnchecked(QStringView(hexText));
    if (!plain)
        return {};
    std::optional<QString> text = fromUtf8Strict(*plain);
    if (!text) {
        qCWarning(lcSecurity) << "decryptString: result is not UTF-8 (wrong key or damaged text)";
        return {};
    }
    return *std::move(text);
}

std::optional<QByteArray> SecurityCore::decryptBytes(QStringView hexText) {
    std::optional<QByteArray> plain = decryptUnchecked(hexText);
    if (plain && !plain->isValidUtf8()) {
        qCWarning(lcSecurity) << "decryptString: result is not UTF-8 (wrong key or damaged text)";
        return std::nullopt;
    }
    return plain;
}

std::optional<QByteArray> SecurityCore::decryptUnchecked(QStringView hexText) {
    if (hexText.isEmpty())
        return QByteArray();
    const std::optional<KeyMaterial> material = currentKey();
    if (!material) {
        qCWarning(lcSecurity) << "decryptString: no key set";
        return std::nullopt;
    }
    if (hexText.size() % (2 * kBlockSize) != 0) {
        qCWarning(lcSecurity) << "decryptString: not whole blocks:" << hexText.size() << "digits";
        return std::nullopt;
    }
    // The ciphertext and the plain text share one buffer: CBC decryption in place is supported.
    QByteArray bytes(hexText.size() / 2 + kBlockSize, Qt::Uninitialized);
    auto *data = reinterpret_cast<unsigned char *>(bytes.data());
    if (!fromHexStrict(hexText, data)) {
        qCWarning(lcSecurity) << "decryptString: not hexadecimal";
        return std::nullopt;
    }
    const std::optional<qsizetype> length = runCipher(false, *material, data, hexText.size() / 2, data);
    if (!length) {
        qCWarning(lcSecurity) << "decryptString: bad padding (wrong key or damaged text)";
        return std::nullopt;
    }
    bytes.truncate(*length);
    return bytes;
}

QString SecurityCore::decryptString(const QJsonValue &value) {
    if (value.isString())
        return decryptString(value.toString());
    if (value.isDouble())
        return decryptString(ml::json::detail::numberToText(value));
    return {};
}

std::optional<QByteArray> SecurityCore::decryptBytes(const QJsonValue &value) {
    if (value.isString())
        return decryptBytes(QStringView(value.toString()));
    if (value.isDouble())
        return decryptBytes(QStringView(ml::json::detail::numberToText(value)));
    return QByteArray();
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
