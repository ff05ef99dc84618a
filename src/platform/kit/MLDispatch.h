#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

// Calls scheduled on the main event loop with a weak hold: when `context` is destroyed before the call
// is due, the call is dropped.
namespace MLDispatch {

inline void after(int milliseconds, const QObject *context, std::function<void()> fn) {
    QTimer::singleShot(milliseconds, context, std::move(fn));
}

inline void async(QObject *context, std::function<void()> fn) {
    QMetaObject::invokeMethod(context, std::move(fn), Qt::QueuedConnection);
}

} // namespace MLDispatch
