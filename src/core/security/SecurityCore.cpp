#include "core/security/SecurityCore.h"

#include "core/model/MLJsonModel.h"
#include "core/security/MLDigest.h"
#include "core/security/MLRsa.h"
#include "core/security/MLSecurityLog.h"
#include "core/security/MLStoredKeys.h"
#include "platform/crypto/MLCryptoBackend.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cstring>
#include <future>
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
        explicit_bzero(key.data(), key.size());
        explicit_bzero(iv.data(), iv.size());
    }
};

struct KeyStore {
    std::mutex mutex;
    std::optional<KeyMaterial> material;
    // The recovery begun by beginStoredKeyRecovery (guarded by recoveryMutex) and whether it is
    // still under way: the cipher takes no lock for it once it has ended.
    std::atomic<bool> recovering{false};
    std::mutex recoveryMutex;
    std::shared_future<void> recovery;
};

KeyStore &keyStore() {
    static KeyStore store;
    return store;
}

// Waits for the recovery begun at launch, if one is under way.
void awaitRecovery() {
    KeyStore &store = keyStore();
    if (!store.recovering.load(std::memory_order_acquire))
        return;
    std::shared_future<void> recovery;
    {
        const std::lock_guard lock(store.recoveryMutex);
        recovery = store.recovery;
    }
    if (recovery.valid())
        recovery.wait();
}

// Sets the key and IV, 16 bytes each.
void storeKey(const QByteArray &key, const QByteArray &iv) {
    KeyMaterial material;
    std::memcpy(material.key.data(), key.constData(), kBlockSize);
    std::memcpy(material.iv.data(), iv.constData(), kBlockSize);
    KeyStore &store = keyStore();
    const std::lock_guard lock(store.mutex);
    store.material = material;
}

std::optional<KeyMaterial> currentKey() {
    awaitRecovery();
    KeyStore &store = keyStore();
    const std::lock_guard lock(store.mutex);
    return store.material;
}

// Runs AES-128-CBC with PKCS#7 padding over `input` into `out` (room for size + one block); the number
// of bytes written, or nothing on any failure (bad padding included).
std::optional<qsizetype> runCipher(bool encrypt, const KeyMaterial &material, const unsigned char *in,
                                   qsizetype size, unsigned char *out) {
    MLCryptoBackend *crypto = MLCryptoBackend::instance();
    if (!crypto)
        return std::nullopt;
    return crypto->aes128Cbc(encrypt, material.key.data(), material.iv.data(), in, size, out);
}

// Hex digits to bytes. Unlike QByteArray::fromHex, which skips what is not a digit, any stray
// character is a failure: nothing then.
std::optional<QByteArray> fromHexStrict(QByteArrayView digits) {
    const bool allDigits = std::all_of(digits.begin(), digits.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) != 0;
    });
    if (!allDigits)
        return std::nullopt;
    return QByteArray::fromHex(digits.toByteArray());
}

// The exact text of valid UTF-8: a leading BOM is kept (QString::fromUtf8 drops it), so the bytes
// come back unchanged for the digest test.
QString exactText(const std::optional<QByteArray> &utf8) {
    if (!utf8)
        return {};
    return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom).decode(*utf8);
}

} // namespace

void SecurityCore::setKey(const QByteArray &key, const QByteArray &iv) {
    if (key.size() != kBlockSize || iv.size() != kBlockSize) {
        qCWarning(lcSecurity) << "refused an AES key of" << key.size() << "bytes and an IV of" << iv.size()
                              << "bytes; both must be 16";
        return;
    }
    awaitRecovery(); // a recovery under way must not overwrite this key afterwards
    storeKey(key, iv);
}

bool SecurityCore::hasKey() {
    return currentKey().has_value();
}

QString SecurityCore::unavailableNotice() {
    return MLCryptoBackend::instance() ? QString() : MLCryptoBackend::notLoadedNotice();
}

QString SecurityCore::encryptString(const QString &plainText) {
    return QString::fromLatin1(encryptHex(plainText.toUtf8()));
}

QByteArray SecurityCore::encryptHex(QByteArrayView utf8) {
    if (utf8.isEmpty())
        return {};
    const std::optional<KeyMaterial> material = currentKey();
    if (!material) {
        qCWarning(lcSecurity) << "encryptString: no key set";
        return {};
    }
    QByteArray cipherText(utf8.size() + kBlockSize, Qt::Uninitialized);
    const std::optional<qsizetype> length =
        runCipher(true, *material, reinterpret_cast<const unsigned char *>(utf8.data()), utf8.size(),
                  reinterpret_cast<unsigned char *>(cipherText.data()));
    if (!length) {
        qCWarning(lcSecurity) << "encryptString: the cipher failed";
        return {};
    }
    cipherText.truncate(*length);
    return cipherText.toHex();
}

QString SecurityCore::decryptString(const QString &hexText) {
    return exactText(decryptHex(hexText.toLatin1()));
}

QString SecurityCore::decryptString(const QJsonValue &value) {
    return exactText(decryptBytes(value));
}

std::optional<QByteArray> SecurityCore::decryptBytes(const QJsonValue &value) {
    if (value.isString())
        return decryptHex(value.toString().toLatin1());
    if (value.isDouble())
        return decryptHex(ml::json::detail::numberToText(value).toLatin1());
    if (value.isNull() || value.isUndefined())
        return QByteArray();
    return std::nullopt; // a flag, list or object holds no cipher text
}

// Characters outside Latin-1 became '?' in the caller's toLatin1, which is no hex digit either.
std::optional<QByteArray> SecurityCore::decryptHex(QByteArrayView hexDigits) {
    if (hexDigits.isEmpty())
        return QByteArray();
    const std::optional<KeyMaterial> material = currentKey();
    if (!material) {
        qCWarning(lcSecurity) << "decryptString: no key set";
        return std::nullopt;
    }
    if (hexDigits.size() % (2 * kBlockSize) != 0) {
        qCWarning(lcSecurity) << "decryptString: not whole blocks:" << hexDigits.size() << "digits";
        return std::nullopt;
    }
    std::optional<QByteArray> bytes = fromHexStrict(hexDigits);
    if (!bytes) {
        qCWarning(lcSecurity) << "decryptString: not hexadecimal";
        return std::nullopt;
    }
    // CBC decryption in place is supported, with room for one block more.
    const qsizetype size = bytes->size();
    bytes->resize(size + kBlockSize);
    auto *data = reinterpret_cast<unsigned char *>(bytes->data());
    const std::optional<qsizetype> length = runCipher(false, *material, data, size, data);
    if (!length) {
        qCWarning(lcSecurity) << "decryptString: bad padding (wrong key or damaged text)";
        return std::nullopt;
    }
    bytes->truncate(*length);
    // A wrong key or a forged answer decrypts to malformed UTF-8 (overlong forms, surrogates, code
    // points beyond U+10FFFF, cut sequences).
    if (!QByteArrayView(*bytes).isValidUtf8()) {
        qCWarning(lcSecurity) << "decryptString: result is not UTF-8 (wrong key or damaged text)";
        return std::nullopt;
    }
    return bytes;
}

bool SecurityCore::recoverStoredKey() {
    awaitRecovery();
    return recoverNow();
}

void SecurityCore::beginStoredKeyRecovery() {
    KeyStore &store = keyStore();
    const std::lock_guard lock(store.recoveryMutex);
    if (store.recovering.load(std::memory_order_acquire))
        return; // one is under way
    store.recovering.store(true, std::memory_order_release);
    store.recovery = std::async(std::launch::async, [] {
                         recoverNow();
                         // The key is stored before the flag drops: a reader that sees it down reads the key.
                         keyStore().recovering.store(false, std::memory_order_release);
                     }).share();
}

bool SecurityCore::recoverNow() {
    const QByteArray publicKey(MLStoredKeys::publicKeyPem);
    const QByteArray key =
        MLRsa::publicDecrypt(publicKey, MLDigest::base64Decode(QString::fromLatin1(MLStoredKeys::keyText)));
    const QByteArray iv =
        MLRsa::publicDecrypt(publicKey, MLDigest::base64Decode(QString::fromLatin1(MLStoredKeys::ivText)));
    if (key.size() != kBlockSize || iv.size() != kBlockSize) {
        qCWarning(lcSecurity) << "the stored request key does not recover; the key is unchanged";
        return false;
    }
    storeKey(key, iv);
    qCInfo(lcSecurity) << "request key recovered";
    return true;
}
