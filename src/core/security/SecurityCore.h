#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonValue>
#include <QString>

#include <optional>

// The request cipher: AES-128 in CBC mode with PKCS#7 padding under the one key and IV of the
// process, texts as UTF-8 and ciphertexts as hexadecimal digits. The key is set once at launch
// (beginStoredKeyRecovery, or recoverStoredKey) and is guarded, so reading it from another thread is
// safe.
class SecurityCore final {
public:
    // Both must be 16 bytes; otherwise the call is refused and the current key stays.
    static void setKey(const QByteArray &key, const QByteArray &iv);
    static bool hasKey();
    // Empty while the cipher can work; otherwise what the user is told instead of a request being
    // sent (the installation lacks the crypto module: nothing can be sealed nor opened).
    static QString unavailableNotice();

    // UTF-8 of `plainText`, encrypted, as lower-case hex. Empty for an empty text or without a key.
    static QString encryptString(const QString &plainText);
    // The lower-case hex of the encrypted `utf8`. Empty for an empty input, without a key or when the
    // cipher fails.
    static QByteArray encryptHex(QByteArrayView utf8);
    // The text of lower- or upper-case hex `hexText`. Empty for an empty input, anything that is not
    // whole 16-byte blocks of hex digits, bad padding, a result that is not valid UTF-8, or no key.
    static QString decryptString(const QString &hexText);
    // An answer's "dt": a string is decrypted as it is; a number is first written as decimal text
    // (64-bit integers exactly); anything else gives the empty text.
    static QString decryptString(const QJsonValue &value);
    // The same as decryptString(const QJsonValue &), as the UTF-8 bytes of the text: empty for an empty,
    // null or absent input, nothing where decryptString gives the empty text for a failure (a flag, a
    // list or an object included).
    static std::optional<QByteArray> decryptBytes(const QJsonValue &value);

    // Launch step: recovers the AES key and IV from the stored RSA texts with the embedded public key
    // and sets them. False, with the current key left as it was, when either does not recover.
    static bool recoverStoredKey();
    // The same launch step on a worker thread, returning at once (OpenSSL's first use costs a few
    // milliseconds that the launch spends building the window meanwhile). Everything that reads or
    // sets the key (the cipher, hasKey, setKey, recoverStoredKey) first waits for that recovery to
    // end, so the first request is sealed with the recovered key.
    static void beginStoredKeyRecovery();

private:
    // recoverStoredKey without waiting for a recovery under way (the worker's own call).
    static bool recoverNow();
    // Hex digits to the decrypted UTF-8 bytes; nothing on any failure.
    static std::optional<QByteArray> decryptHex(QByteArrayView hexDigits);
};
