#include "platform/audio/MLMediaBackend.h"

#include "platform/kit/MLModule.h"

#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcMedia, "ml.audio")

struct Loaded {
    MLMediaBackend *backend = nullptr;
    QString error;
};

Loaded load() {
    Loaded loaded;
    using Entry = MLMediaBackend *(*)();
    if (auto entry = reinterpret_cast<Entry>(MLModule::entry(QStringLiteral(ML_MEDIA_MODULE_NAME),
                                                             QStringLiteral(ML_MEDIA_MODULE_BUILD_PATH),
                                                             "ml_media_backend", loaded.error)))
        loaded.backend = entry();
    if (!loaded.backend)
        qCWarning(lcMedia) << "the media module could not be loaded:" << loaded.error;
    return loaded;
}

} // namespace

MLMediaBackend *MLMediaBackend::instance(QString *error) {
    static const Loaded loaded = load();
    if (error)
        *error = loaded.error;
    return loaded.backend;
}
