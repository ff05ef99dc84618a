#include "platform/audio/MLMediaInfo.h"

#include "platform/audio/MLMediaBackend.h"

std::optional<double> MLMediaInfo::durationSeconds(const QString &path) {
    MLMediaBackend *backend = MLMediaBackend::instance();
    if (!backend)
        return std::nullopt;
    return backend->durationSeconds(path);
}
