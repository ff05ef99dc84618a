#pragma once

#include <QObject>
#include <QPointer>

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
