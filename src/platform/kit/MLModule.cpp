#include "platform/kit/MLModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QLoggingCategory>
#include <QStringList>

namespace {

Q_LOGGING_CATEGORY(lcModule, "ml.module")

QStringList candidates(const QString &fileName, const QString &buildPath) {
    QStringList paths;
    if (QCoreApplication::instance()) {
        const QString here = QCoreApplication::applicationDirPath();
        paths << QDir(here).filePath(fileName)
              << QDir(here).filePath(QStringLiteral(ML_MODULE_RELATIVE_DIR "/") + fileName);
    }
    paths << QStringLiteral(ML_MODULE_INSTALL_DIR "/") + fileName << buildPath;
    return paths;
}

} // namespace

void *MLModule::entry(const QString &fileName, const QString &buildPath, const char *symbol, QString &error) {
    error.clear();
    for (const QString &path : candidates(fileName, buildPath)) {
        if (!QFileInfo::exists(path))
            continue;
        // Never unloaded: the process keeps the module (and its libraries) once it has needed it.
        auto *library = new QLibrary(path);
        library->setLoadHints(QLibrary::PreventUnloadHint);
        if (QFunctionPointer found = library->resolve(symbol))
            return reinterpret_cast<void *>(found);
        error = library->errorString();
        delete library;
    }
    if (error.isEmpty())
        error = QStringLiteral("%1 not found").arg(fileName);
    return nullptr;
}

void MLModule::warnNotLoaded(const QString &fileName, const QString &error) {
    qCWarning(lcModule) << fileName << "could not be loaded:" << error;
}
