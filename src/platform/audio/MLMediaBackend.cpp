#include "platform/audio/MLMediaBackend.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QLoggingCategory>
#include <QStringList>

namespace {

Q_LOGGING_CATEGORY(lcMedia, "ml.audio")

struct Loaded {
    MLMediaBackend *backend = nullptr;
    QString error;
};

QStringList candidates() {
    const QString name = QStringLiteral(ML_MEDIA_MODULE_NAME);
    QStringList paths;
    if (QCoreApplication::instance()) {
        const QString here = QCoreApplication::applicationDirPath();
        paths << QDir(here).filePath(name)
              << QDir(here).filePath(QStringLiteral(ML_MEDIA_MODULE_RELATIVE_DIR "/") + name);
    }
    paths << QStringLiteral(ML_MEDIA_MODULE_INSTALL_DIR "/") + name
          << QStringLiteral(ML_MEDIA_MODULE_BUILD_PATH);
    return paths;
}

Loaded load() {
    Loaded loaded;
    for (const QString &path : candidates()) {
        if (!QFileInfo::exists(path))
            continue;
        // Never unloaded: the process keeps the module (and FFmpeg) once it has needed it.
        auto *library = new QLibrary(path);
        library->setLoadHints(QLibrary::PreventUnloadHint);
        using Entry = MLMediaBackend *(*)();
        if (auto entry = reinterpret_cast<Entry>(library->resolve("ml_media_backend"))) {
            loaded.backend = entry();
            if (loaded.backend)
                return loaded;
        }
        loaded.error = library->errorString();
        delete library;
    }
    if (loaded.error.isEmpty())
        loaded.error = QStringLiteral("%1 not found").arg(QLatin1String(ML_MEDIA_MODULE_NAME));
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
