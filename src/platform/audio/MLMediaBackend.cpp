#include "platform/audio/MLMediaBackend.h"

#include "platform/kit/MLModule.h"

MLMediaBackend *MLMediaBackend::instance(QString *error) {
    return MLModule::instance<MLMediaBackend>(QStringLiteral(ML_MEDIA_MODULE_NAME), "ml_media_backend",
                                              error);
}
