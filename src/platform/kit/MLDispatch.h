#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
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

// Runs `fn` on a worker thread that ends as soon as it has nothing more to run, so no idle thread
// (nor the descriptor of its event dispatcher) stays behind: for one-off loads kept off the main
// thread.
inline void background(std::function<void()> fn) {
    static QThreadPool pool; // waits for what it runs when the process ends
    pool.setExpiryTimeout(0);
    pool.start(std::move(fn));
}

} // namespace MLDispatch
