#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

// Repeating timers that call a block, for clocks, countdowns and polling.
class MLBlockTimer final {
public:
    // A repeating timer on the current thread's event loop, a child of `context` (it dies with it;
    // `context` must live in the current thread), calling `block(timer)` every `seconds`; the timer is
    // running when returned and first fires one interval later. Stopping it (timer->stop(), or
    // invalidate(timer)) ends it. Intervals below one millisecond, zero and negative ones included,
    // run at one millisecond.
    static QTimer *repeatWithInterval(double seconds, QObject *context, std::function<void(QTimer *)> block);

    // Stops the timer and deletes it once control returns to the event loop (safe from inside its own
    // block), then sets the pointer to nullptr. Does nothing for nullptr.
    static void invalidate(QTimer *&timer);
};
