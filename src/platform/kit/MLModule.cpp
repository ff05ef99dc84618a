#include "platform/kit/MLModule.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QLoggingCategory>
#include <QMutex>

#include <map>
#include <memory>

namespace {

Q_LOGGING_CATEGORY(lcModule, "ml.module")

struct Loaded {
    // Never unloaded: the process keeps the module (and its libraries) once it has needed it. Held
    // here for the whole process, so leak checkers see it reachable.
    std::unique_ptr<QLibrary> library;
    void *object = nullptr;
    QString error;
};

struct Registry {
    QMutex mutex;
    std::map<QString, Loaded> modules; // by file name
    std::function<void(const QString &)> notLoaded;
    QString folderForTesting;
};

Registry &registry() {
    static Registry *const instance = new Registry; // outlives every static that may load a module
    return *instance;
}

// The folder of the running executable, resolved by the kernel (no application object needed).
QString executableFolder() {
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}

} // namespace

QString MLModule::folder() {
    static const QString resolved =
        QDir::cleanPath(QDir(executableFolder()).filePath(QString::fromUtf8(kFolder)));
    Registry &modules = registry();
    const QMutexLocker lock(&modules.mutex);
    return modules.folderForTesting.isEmpty() ? resolved : modules.folderForTesting;
}

void MLModule::setFolderForTesting(const QString &folder) {
    Registry &modules = registry();
    const QMutexLocker lock(&modules.mutex);
    modules.folderForTesting = folder;
}

QString MLModule::notLoadedNotice(const QString &fileName) {
    return QStringLiteral("安装不完整：缺少文件 %1，或它已损坏。请重新安装本软件。")
        .arg(QDir(folder()).filePath(fileName));
}

void MLModule::setNotLoadedHandler(std::function<void(const QString &)> handler) {
    Registry &modules = registry();
    const QMutexLocker lock(&modules.mutex);
    modules.notLoaded = std::move(handler);
}

void *MLModule::object(const QString &fileName, const char *symbol, void *(*make)(void (*)()),
                       QString *error) {
    const QString path = QDir(folder()).filePath(fileName);
    Registry &modules = registry();
    QMutexLocker lock(&modules.mutex);
    auto found = modules.modules.find(fileName);
    if (found == modules.modules.end()) {
        Loaded loaded;
        if (!QFileInfo::exists(path)) {
            loaded.error = QStringLiteral("%1 not found").arg(path);
        } else {
            auto library = std::make_unique<QLibrary>(path);
            library->setLoadHints(QLibrary::PreventUnloadHint);
            if (QFunctionPointer entry = library->resolve(symbol)) {
                loaded.object = make(entry);
                loaded.library = std::move(library);
                if (!loaded.object)
                    loaded.error = QStringLiteral("%1 made no object").arg(path);
            } else {
                loaded.error = library->errorString();
            }
        }
        found = modules.modules.emplace(fileName, std::move(loaded)).first;
        if (!found->second.object) {
            qCWarning(lcModule) << fileName << "could not be loaded:" << found->second.error;
            const std::function<void(const QString &)> notLoaded = modules.notLoaded;
            lock.unlock(); // the notice reads the folder, and the handler may need a module itself
            if (notLoaded)
                notLoaded(notLoadedNotice(fileName));
            lock.relock();
        }
    }
    if (error)
        *error = found->second.error;
    return found->second.object;
}
