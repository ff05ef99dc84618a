#include "core/security/MLRsa.h"

#include "core/security/MLSecurityLog.h"
#include "platform/crypto/MLCryptoBackend.h"

QByteArray MLRsa::publicDecrypt(const QByteArray &publicKeyPem, const QByteArray &cipherText) {
    MLCryptoBackend *crypto = MLCryptoBackend::instance();
    if (!crypto)
        return {};
    QString why;
    if (std::optional<QByteArray> payload = crypto->rsaPublicDecrypt(publicKeyPem, cipherText, why))
        return *std::move(payload);
    qCWarning(lcSecurity) << "RSA recovery failed:" << why;
    return {};
}
