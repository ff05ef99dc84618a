#include "platform/crypto/MLCryptoBackend.h"

#include "platform/kit/MLModule.h"

#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcCrypto, "ml.security")

struct Loaded {
    MLCryptoBackend *backend = nullptr;
    QString error;
};

Loaded load() {
    Loaded loaded;
    using Entry = MLCryptoBackend *(*)();
    if (auto entry = reinterpret_cast<Entry>(MLModule::entry(QStringLiteral(ML_CRYPTO_MODULE_NAME),
                                                             QStringLiteral(ML_CRYPTO_MODULE_BUILD_PATH),
                                                             "ml_crypto_backend", loaded.error)))
        loaded.backend = entry();
    if (!loaded.backend)
        qCWarning(lcCrypto) << "the crypto module could not be loaded:" << loaded.error;
    return loaded;
}

} // namespace

MLCryptoBackend *MLCryptoBackend::instance(QString *error) {
    static const Loaded loaded = load();
    if (error)
        *error = loaded.error;
    return loaded.backend;
}
