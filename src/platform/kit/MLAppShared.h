#pragma once

#include <QCoreApplication>

// The application's one object of class `T` (made as `T(nullptr, application)`): made on first use and
// deleted by the application's post routines, first thing in the application object's destructor. A
// network manager must be gone while the application object still exists: Qt's HTTP thread would
// otherwise deliver a late event into a destroyed application. `warnOffMainThread` runs once if the
// first use comes from another thread than the application's.
template <class T> T &mlAppShared(void (*warnOffMainThread)() = nullptr) {
    static T *object = nullptr;
    if (!object) {
        object = new T(nullptr, QCoreApplication::instance());
        if (warnOffMainThread && QCoreApplication::instance() &&
            object->thread() != QCoreApplication::instance()->thread())
            warnOffMainThread();
        qAddPostRoutine([] {
            delete object;
            object = nullptr;
        });
    }
    return *object;
}
