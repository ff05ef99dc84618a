#pragma once

#include <QString>

#include <functional>

// The app's own modules: shared objects that hold what a start does not need (or not on the main
// thread), each loaded by its users on first use and never unloaded. A module is looked for in one
// place only, the module folder (folder()), and a module that cannot be loaded there is never looked
// for elsewhere. src/CMakeLists.txt declares them (ml_add_module) and tells their users the file names.
// Each module states the version of the app it was built with (its entry point kVersionSymbol returns
// it); a module of another version (the installation was updated while the app ran) is not used.
namespace MLModule {

// The entry point, in every module, that returns the app version the module was built with.
inline constexpr char kVersionSymbol[] = "ml_module_version";

// Where the executable's modules are: a path relative to the executable's own folder (the app: its
// installed layout, which the build tree mirrors) or, for tools that only ever run in the build tree
// (tests, benchmarks, the stand-in, fuzz targets), the build tree's module folder. Defined by the one
// small object each executable links (src/CMakeLists.txt: ml_module_folder_app or _build).
extern const char *const kFolder;

// The absolute module folder of this process.
QString folder();

// Tests only: modules not loaded yet are looked for in `folder` from now on.
void setFolderForTesting(const QString &folder);

// What the user is told, once, about the module file `fileName` that could not be loaded: updatedNotice()
// when it is of another version.
QString notLoadedNotice(const QString &fileName);

// What the user is told, once for all modules, when a module is of another version than the app.
QString updatedNotice();

// Called once for each module that cannot be loaded, with notLoadedNotice, on the thread that first
// needed it; for the modules of another version, once in all. Installed by the application; an empty
// handler removes it.
void setNotLoadedHandler(std::function<void(const QString &notice)> handler);

// The object made by the entry point `symbol` of the module file `fileName` (calling `make` with the
// entry point), made on the first call from any thread and kept per module; nullptr, with `error`
// telling why, when the module cannot be loaded.
void *object(const QString &fileName, const char *symbol, void *(*make)(void (*entry)()), QString *error);

// The object that the entry point `symbol` of a module returns (see object()).
template <typename Interface>
Interface *instance(const QString &fileName, const char *symbol, QString *error = nullptr) {
    return static_cast<Interface *>(object(
        fileName, symbol,
        [](void (*entry)()) -> void * { return reinterpret_cast<Interface *(*)()>(entry)(); }, error));
}

} // namespace MLModule
