#include "platform/crypto/MLCryptoBackend.h"

#include "platform/kit/MLModule.h"

MLCryptoBackend *MLCryptoBackend::instance(QString *error) {
    return MLModule::instance<MLCryptoBackend>(QStringLiteral(ML_CRYPTO_MODULE_NAME),
                                               QStringLiteral(ML_CRYPTO_MODULE_BUILD_PATH),
                                               "ml_crypto_backend", error);
}
