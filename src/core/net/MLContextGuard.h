#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThread>

#include <utility>

// The weak hold of an asynchronous call on its caller: a completion runs only while the context
// object it was given is alive. A call made without a context (nullptr) holds nothing and always
// completes.
class MLContextGuard final {
public:
    explicit MLContextGuard(QObject *context = nullptr)
        : m_context(context)
        , m_held(context != nullptr) {}

    bool isAlive() const { return !m_held || !m_context.isNull(); }

private:
    QPointer<QObject> m_context;
    bool m_held;
};

// Runs `fn` at once when called on `owner`'s thread, otherwise queues it there: the request managers
// accept calls from any thread and do their work on their own.
template <class Fn> void runOnThreadOf(QObject *owner, Fn &&fn) {
    if (QThread::currentThread() == owner->thread())
        fn();
    else
        QMetaObject::invokeMethod(owner, std::forward<Fn>(fn), Qt::QueuedConnection);
}
