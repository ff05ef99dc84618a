#include "platform/kit/MLModule.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QLoggingCategory>
#include <QMutex>

#include <map>
#include <memory>
#include <mutex>

namespace {

Q_LOGGING_CATEGORY(lcModule, "ml.module")

struct Loaded {
    std::once_flag once;
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
    Registry &modules = registry();
    Loaded *loaded = nullptr;
    {
        const QMutexLocker lock(&modules.mutex);
        loaded = &modules.modules[fileName]; // a map's entries stay where they are
    }
    // One load per module, from whichever thread needs it first; loads of different modules do not
    // wait for each other.
    std::call_once(loaded->once, [&] {
        const QString path = QDir(folder()).filePath(fileName);
        if (!QFileInfo::exists(path)) {
            loaded->error = QStringLiteral("%1 not found").arg(path);
        } else {
            auto library = std::make_unique<QLibrary>(path);
            library->setLoadHints(QLibrary::PreventUnloadHint);
            if (QFunctionPointer entry = library->resolve(symbol)) {
                loaded->object = make(entry);
                loaded->library = std::move(library);
                if (!loaded->object)
                    loaded->error = QStringLiteral("%1 made no object").arg(path);
            } else {
                loaded->error = library->errorString();
            }
        }
        if (loaded->object)
            return;
        qCWarning(lcModule) << fileName << "could not be loaded:" << loaded->error;
        std::function<void(const QString &)> notLoaded;
        {
            const QMutexLocker lock(&modules.mutex);
            notLoaded = modules.notLoaded;
        }
        if (notLoaded)
            notLoaded(notLoadedNotice(fileName));
    });
    if (error)
        *error = loaded->error;
    return loaded->object;
}
