#pragma once

#include <QString>

// The app's own modules: shared objects built next to it that hold what a start does not need (or
// not on the main thread), each loaded by its users on first use and never unloaded. A module is
// looked for next to the executable, then in the installed module folder (relative to the
// executable, then absolute), then in the build tree. src/CMakeLists.txt declares them
// (ml_add_module) and tells their users the file names and build paths.
namespace MLModule {

// The address of `symbol` (the module's one entry point) in the module file `fileName`, whose build
// tree copy is `buildPath`; nullptr, with `error` telling why, when no copy can be loaded.
void *entry(const QString &fileName, const QString &buildPath, const char *symbol, QString &error);
// Logs, once per module, that `fileName` could not be loaded.
void warnNotLoaded(const QString &fileName, const QString &error);

// The object that the entry point `symbol` of a module returns, made on the first call (from any
// thread) and kept; nullptr, with a warning logged and `error` telling why, when the module cannot be
// loaded.
template <typename Interface>
Interface *instance(const QString &fileName, const QString &buildPath, const char *symbol,
                    QString *error = nullptr) {
    struct Loaded {
        Interface *object = nullptr;
        QString error;
    };
    static const Loaded loaded = [&] {
        Loaded result;
        using Entry = Interface *(*)();
        if (auto made = reinterpret_cast<Entry>(entry(fileName, buildPath, symbol, result.error)))
            result.object = made();
        if (!result.object)
            warnNotLoaded(fileName, result.error);
        return result;
    }();
    if (error)
        *error = loaded.error;
    return loaded.object;
}

} // namespace MLModule
