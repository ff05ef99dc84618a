#pragma once

#include <QByteArray>

// RSA with the service's public key.
class MLRsa final {
public:
    // The payload of `cipherText`, a PKCS#1 v1.5 text made with the private key that matches
    // `publicKeyPem` (a PEM SubjectPublicKeyInfo). Empty when the key is not an RSA public key, the
    // text is not exactly one modulus long, or it does not recover under this key.
    static QByteArray publicDecrypt(const QByteArray &publicKeyPem, const QByteArray &cipherText);
};
