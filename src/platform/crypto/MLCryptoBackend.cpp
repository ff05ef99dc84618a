#include "platform/crypto/MLCryptoBackend.h"

#include "platform/kit/MLModule.h"

MLCryptoBackend *MLCryptoBackend::instance(QString *error) {
    return MLModule::instance<MLCryptoBackend>(QStringLiteral(ML_CRYPTO_MODULE_NAME), "ml_crypto_backend",
                                               error);
}

QString MLCryptoBackend::notLoadedNotice() {
    return MLModule::notLoadedNotice(QStringLiteral(ML_CRYPTO_MODULE_NAME));
}
