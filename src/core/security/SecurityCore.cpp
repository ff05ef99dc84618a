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
#include <bit>
#include <cstdint>
#include <cstring>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// Each byte's hex digit value as the high nibble (kHexHigh) and the low nibble (kHexLow) of a byte;
// kHexBad (beyond a byte) for every byte that is not a hex digit.
constexpr int kHexBad = 0x100;
constexpr auto kHexNibbles = [](int shift) {
    std::array<std::uint16_t, 256> values{};
    values.fill(kHexBad);
    for (int i = 0; i < 10; ++i)
        values['0' + i] = std::uint16_t(i << shift);
    for (int i = 0; i < 6; ++i) {
        values['a' + i] = std::uint16_t((10 + i) << shift);
        values['A' + i] = std::uint16_t((10 + i) << shift);
    }
    return values;
};
constexpr std::array<std::uint16_t, 256> kHexHigh = kHexNibbles(4);
constexpr std::array<std::uint16_t, 256> kHexLow = kHexNibbles(0);

// The two lower-case hex digits of each byte, as they lie in memory.
constexpr std::array<std::array<char, 2>, 256> kHexPairs = [] {
    constexpr char digits[] = "0123456789abcdef";
    std::array<std::array<char, 2>, 256> pairs{};
    for (int i = 0; i < 256; ++i)
        pairs[i] = {digits[i >> 4], digits[i & 0xf]};
    return pairs;
}();

// Unlike QByteArray::fromHex, which skips what is not a digit, any stray character is a failure.
// Branch-free: a unit beyond a byte or a non-digit sets a bit above the byte, checked once at the end.
template <typename Unit>
bool fromHexScalar(const Unit *__restrict digits, qsizetype size, unsigned char *__restrict out) {
    unsigned bad = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const auto high = std::make_unsigned_t<Unit>(digits[2 * i]);
        const auto low = std::make_unsigned_t<Unit>(digits[2 * i + 1]);
        unsigned value = unsigned(kHexHigh[std::uint8_t(high)]) | kHexLow[std::uint8_t(low)];
        if constexpr (sizeof(Unit) > 1)
            value |= unsigned((high | low) >> 8) << 8;
        bad |= value;
        out[i] = static_cast<unsigned char>(value);
    }
    return bad < kHexBad;
}

#ifdef __SSE2__
// The values of 16 hex digits, and in `bad` a set byte for each that is not one.
inline __m128i hexValues(__m128i c, __m128i &bad) {
    const __m128i digit = _mm_sub_epi8(c, _mm_set1_epi8('0'));
    const __m128i isDigit = _mm_cmpeq_epi8(_mm_subs_epu8(digit, _mm_set1_epi8(9)), _mm_setzero_si128());
    // Upper-case letters folded to lower case; the fold matters only where the result is a letter.
    const __m128i letter = _mm_sub_epi8(_mm_or_si128(c, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const __m128i isLetter = _mm_cmpeq_epi8(_mm_subs_epu8(letter, _mm_set1_epi8(5)), _mm_setzero_si128());
    bad = _mm_or_si128(bad, _mm_andnot_si128(_mm_or_si128(isDigit, isLetter), _mm_set1_epi8(-1)));
    return _mm_or_si128(_mm_and_si128(isDigit, digit),
                        _mm_and_si128(isLetter, _mm_add_epi8(letter, _mm_set1_epi8(10))));
}

// Pairs of digit values (high, low) to bytes.
inline __m128i hexPairs(__m128i values) {
    return _mm_and_si128(_mm_or_si128(_mm_slli_epi16(values, 4), _mm_srli_epi16(values, 8)),
                         _mm_set1_epi16(0xff));
}
#endif

bool fromHexStrict(const char *__restrict digits, qsizetype size, unsigned char *__restrict out) {
    qsizetype done = 0;
#ifdef __SSE2__
    // Sixteen bytes from 32 digits at a time.
    __m128i bad = _mm_setzero_si128();
    for (; done + 16 <= size; done += 16) {
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i *>(digits + 2 * done));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i *>(digits + 2 * done + 16));
        const __m128i bytes =
            _mm_packus_epi16(hexPairs(hexValues(first, bad)), hexPairs(hexValues(second, bad)));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + done), bytes);
    }
    if (_mm_movemask_epi8(bad) != 0)
        return false;
#endif
    return fromHexScalar(digits + 2 * done, size - done, out + done);
}

bool fromHexStrict(const char16_t *__restrict digits, qsizetype size, unsigned char *__restrict out) {
    return fromHexScalar(digits, size, out);
}

// Lower-case hex digits of `size` bytes into `out` (2 * size bytes). `out` may overlap the bytes'
// tail only as far as the digits are written from the front and each byte is read first.
void toHex(const unsigned char *bytes, qsizetype size, char *out) {
    qsizetype done = 0;
#ifdef __SSE2__
    const auto digits = [](__m128i nibbles) {
        // '0' + n, and 'a' - 10 + n above nine.
        const __m128i above = _mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9));
        return _mm_add_epi8(_mm_add_epi8(nibbles, _mm_set1_epi8('0')),
                            _mm_and_si128(above, _mm_set1_epi8('a' - '0' - 10)));
    };
    for (; done + 16 <= size; done += 16) {
        const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + done));
        const __m128i high = _mm_and_si128(_mm_srli_epi16(in, 4), _mm_set1_epi8(0x0f));
        const __m128i low = _mm_and_si128(in, _mm_set1_epi8(0x0f));
        // Both halves are computed before either store: the stores may cover the bytes just read.
        const __m128i first = digits(_mm_unpacklo_epi8(high, low));
        const __m128i second = digits(_mm_unpackhi_epi8(high, low));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 2 * done), first);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 2 * done + 16), second);
    }
#endif
    for (; done < size; ++done)
        std::memcpy(out + 2 * done, kHexPairs[bytes[done]].data(), 2);
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

// What a lead byte of UTF-8 starts: the sequence's length (0: no sequence starts with it) and the
// range its second byte must lie in, where overlong forms, surrogates and code points beyond U+10FFFF
// show.
struct Utf8Lead {
    std::uint8_t length;
    std::uint8_t low;
    std::uint8_t high;
};
constexpr std::array<Utf8Lead, 256> kUtf8Leads = [] {
    std::array<Utf8Lead, 256> leads{};
    for (int lead = 0; lead < 256; ++lead) {
        const std::uint8_t length = lead >= 0xc2 && lead <= 0xdf   ? 2
                                    : lead >= 0xe0 && lead <= 0xef ? 3
                                    : lead >= 0xf0 && lead <= 0xf4 ? 4
                                                                   : 0;
        leads[lead] = {length, 0x80, 0xbf};
    }
    leads[0xe0].low = 0xa0;  // overlong below U+0800
    leads[0xed].high = 0x9f; // surrogates
    leads[0xf0].low = 0x90;  // overlong below U+10000
    leads[0xf4].high = 0x8f; // beyond U+10FFFF
    return leads;
}();

// Whether `bytes` is well-formed UTF-8: no overlong forms, surrogates, code points beyond U+10FFFF or
// cut sequences. Runs of ASCII are skipped sixteen bytes at a time, runs of other characters are read
// one sequence after another.
bool isUtf8(QByteArrayView bytes) {
    const auto *at = reinterpret_cast<const unsigned char *>(bytes.data());
    const unsigned char *const end = at + bytes.size();
    while (at != end) {
#ifdef __SSE2__
        while (end - at >= 16) {
            const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(at)));
            if (high != 0) {
                at += std::countr_zero(unsigned(high));
                break;
            }
            at += 16;
        }
#endif
        while (at != end && *at < 0x80)
            ++at;
        // A run of multi-byte sequences.
        while (at != end && *at >= 0x80) {
            const Utf8Lead lead = kUtf8Leads[*at];
            if (lead.length == 0 || end - at < lead.length || at[1] < lead.low || at[1] > lead.high)
                return false;
            if (lead.length > 2 && ((at[2] & 0xc0) != 0x80 || (lead.length > 3 && (at[3] & 0xc0) != 0x80)))
                return false;
            at += lead.length;
        }
    }
    return true;
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
    toHex(cipherText, *length, out.data() + start);
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
    if (plain && !isUtf8(*plain)) {
        qCWarning(lcSecurity) << "decryptString: result is not UTF-8 (wrong key or damaged text)";
        return std::nullopt;
    }
    return plain;
}

std::optional<QByteArray> SecurityCore::decryptHex(QByteArrayView hexDigits) {
    std::optional<QByteArray> plain = decryptUnchecked(hexDigits.data(), hexDigits.size());
    if (plain && !isUtf8(*plain)) {
        qCWarning(lcSecurity) << "decryptString: result is not UTF-8 (wrong key or damaged text)";
        return std::nullopt;
    }
    return plain;
}

std::optional<QByteArray> SecurityCore::openSealed(QByteArrayView hexDigits, QByteArrayView md5Hex) {
    std::optional<QByteArray> plain = decryptUnchecked(hexDigits.data(), hexDigits.size());
    if (!plain || md5Hex.size() != 32)
        return std::nullopt;
    QByteArray digest;
    digest.reserve(32);
    MLDigest::appendMd5Hex(*plain, digest);
    if (digest != md5Hex)
        return std::nullopt;
    if (!isUtf8(*plain)) {
        qCWarning(lcSecurity) << "decryptString: result is not UTF-8 (wrong key or damaged text)";
        return std::nullopt;
    }
    return plain;
}

std::optional<QByteArray> SecurityCore::decryptUnchecked(QStringView hexText) {
    return decryptUnchecked(hexText.utf16(), hexText.size());
}

template <typename Unit>
std::optional<QByteArray> SecurityCore::decryptUnchecked(const Unit *digits, qsizetype size) {
    if (size == 0)
        return QByteArray();
    const std::optional<KeyMaterial> material = currentKey();
    if (!material) {
        qCWarning(lcSecurity) << "decryptString: no key set";
        return std::nullopt;
    }
    if (size % (2 * kBlockSize) != 0) {
        qCWarning(lcSecurity) << "decryptString: not whole blocks:" << size << "digits";
        return std::nullopt;
    }
    // The ciphertext and the plain text share one buffer: CBC decryption in place is supported.
    QByteArray bytes(size / 2 + kBlockSize, Qt::Uninitialized);
    auto *data = reinterpret_cast<unsigned char *>(bytes.data());
    if (!fromHexStrict(digits, size / 2, data)) {
        qCWarning(lcSecurity) << "decryptString: not hexadecimal";
        return std::nullopt;
    }
    const std::optional<qsizetype> length = runCipher(false, *material, data, size / 2, data);
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
