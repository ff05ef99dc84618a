#include "platform/audio/MLMediaBackend.h"

#include "platform/kit/MLDispatch.h"
#include "platform/kit/MLModule.h"

#include <QCoreApplication>

#include <atomic>

MLMediaBackend *MLMediaBackend::instance(QString *error) {
    return MLModule::instance<MLMediaBackend>(QStringLiteral(ML_MEDIA_MODULE_NAME), "ml_media_backend",
                                              error);
}

QString MLMediaBackend::notLoadedNotice() {
    return MLModule::notLoadedNotice(QStringLiteral(ML_MEDIA_MODULE_NAME));
}

void MLMediaBackend::preload() {
    static std::atomic_bool started = false;
    if (started.exchange(true) || !QCoreApplication::instance())
        return;
    // The inputs are read back on the main thread: the sound server's client keeps its timers there.
    MLDispatch::background([] {
        QCoreApplication *app = instance() ? QCoreApplication::instance() : nullptr;
        if (!app)
            return;
        QMetaObject::invokeMethod(
            app,
            [] {
                if (MLMediaBackend *backend = instance())
                    backend->audioInputs().defaultInput();
            },
            Qt::QueuedConnection);
    });
}
