#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The primitives of the request cipher and its stored key that Qt does not offer: OpenSSL's
// AES-128-CBC and RSA public-key recovery (digests and HMACs come from QCryptographicHash and
// QMessageAuthenticationCode). They live in a module of their own
// (libml_crypto.so, built from src/platform/openssl/, see MLModule) that is loaded on first use, so
// the start neither maps nor relocates libcrypto before its first frame: the launch recovers the
// stored key on a worker thread (SecurityCore::beginStoredKeyRecovery), which loads the module there.
// Every call may come from any thread; no call leaves anything on OpenSSL's error queue of the
// calling thread, where Qt's TLS would later find it.
class MLCryptoBackend {
public:
    virtual ~MLCryptoBackend() = default;

    // AES-128 in CBC mode with PKCS#7 padding over the `size` bytes at `in`, written to `out` (room
    // for `size` + 16 bytes; `out` may be `in`): the number of bytes written, or nothing on any
    // failure (bad padding included). `key` and `iv` are 16 bytes each.
    virtual std::optional<qsizetype> aes128Cbc(bool encrypt, const unsigned char *key,
                                               const unsigned char *iv, const unsigned char *in,
                                               qsizetype size, unsigned char *out) = 0;
    // The payload of `cipherText`, a PKCS#1 v1.5 text made with the private key that matches
    // `publicKeyPem` (a PEM SubjectPublicKeyInfo); on failure nothing, and `why` tells what failed.
    virtual std::optional<QByteArray> rsaPublicDecrypt(const QByteArray &publicKeyPem,
                                                       const QByteArray &cipherText, QString &why) = 0;

    // The module, loaded on the first call (from any thread); nullptr, with a warning logged once,
    // when it cannot be loaded. `error` then tells why.
    static MLCryptoBackend *instance(QString *error = nullptr);
    // What the user is told when the module cannot be loaded (MLModule::notLoadedNotice).
    static QString notLoadedNotice();
};

// The one entry point of the module.
extern "C" MLCryptoBackend *ml_crypto_backend();
