#include "platform/kit/MLModule.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QLoggingCategory>
#include <QMutex>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace {

Q_LOGGING_CATEGORY(lcModule, "ml.module")

struct Loaded {
    std::once_flag once;
    // Never unloaded: the process keeps the module (and its libraries) once it has needed it. Held
    // here for the whole process, so leak checkers see it reachable.
    std::unique_ptr<QLibrary> library;
    void *object = nullptr;
    QString error;
    std::atomic_bool otherVersion = false; // built for another version of the app
};

struct Registry {
    QMutex mutex;
    std::map<QString, Loaded> modules; // by file name
    std::function<void(const QString &)> notLoaded;
    bool toldUpdated = false; // the modules of another version are told once in all
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

// The app version the loaded `library` states it was built with; empty when it states none.
QString versionOf(QLibrary &library) {
    using Stamp = const char *(*)();
    const auto stamp = reinterpret_cast<Stamp>(library.resolve(MLModule::kVersionSymbol));
    return stamp ? QString::fromUtf8(stamp()) : QString();
}

// Loads the module at `path` into `loaded`: its object when it is of this app's version and makes one
// with its entry point `symbol`, else why not.
void load(Loaded &loaded, const QString &path, const char *symbol, void *(*make)(void (*)())) {
    if (!QFileInfo::exists(path)) {
        loaded.error = QStringLiteral("%1 not found").arg(path);
        return;
    }
    loaded.library = std::make_unique<QLibrary>(path);
    QLibrary &library = *loaded.library;
    library.setLoadHints(QLibrary::PreventUnloadHint);
    if (!library.load()) {
        loaded.error = library.errorString();
        return;
    }
    const QString version = versionOf(library);
    if (version != QLatin1String(ML_APP_VERSION)) {
        loaded.otherVersion = true;
        loaded.error = QStringLiteral("%1 is of version \"%2\", the app of %3")
                           .arg(path, version, QLatin1String(ML_APP_VERSION));
        return;
    }
    const QFunctionPointer entry = library.resolve(symbol);
    if (!entry) {
        loaded.error = QStringLiteral("%1 has no entry point %2").arg(path, QLatin1String(symbol));
        return;
    }
    loaded.object = make(entry);
    if (!loaded.object)
        loaded.error = QStringLiteral("%1 made no object").arg(path);
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

QString MLModule::updatedNotice() {
    return QStringLiteral("本软件已更新，请重新启动后再使用。");
}

QString MLModule::notLoadedNotice(const QString &fileName) {
    {
        Registry &modules = registry();
        const QMutexLocker lock(&modules.mutex);
        if (const auto module = modules.modules.find(fileName);
            module != modules.modules.end() && module->second.otherVersion)
            return updatedNotice();
    }
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
        load(*loaded, QDir(folder()).filePath(fileName), symbol, make);
        if (loaded->object)
            return;
        qCWarning(lcModule) << fileName << "could not be loaded:" << loaded->error;
        std::function<void(const QString &)> notLoaded;
        {
            const QMutexLocker lock(&modules.mutex);
            if (!loaded->otherVersion || !std::exchange(modules.toldUpdated, true))
                notLoaded = modules.notLoaded;
        }
        if (notLoaded)
            notLoaded(notLoadedNotice(fileName));
    });
    if (error)
        *error = loaded->error;
    return loaded->object;
}
