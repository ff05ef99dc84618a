#include "ui/util/MLBlockTimer.h"

#include <climits>
#include <cmath>

QTimer *MLBlockTimer::repeatWithInterval(double seconds, QObject *context,
                                         std::function<void(QTimer *)> block) {
    const double milliseconds = std::round(seconds * 1000.0);
    int interval = 1;
    // A zero-interval timer would fire on every idle pass of the event loop.
    if (milliseconds >= INT_MAX)
        interval = INT_MAX;
    else if (milliseconds > 1.0)
        interval = static_cast<int>(milliseconds);

    auto *timer = new QTimer(context);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(false);
    timer->setInterval(interval);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, block = std::move(block)] {
        if (block)
            block(timer);
    });
    timer->start();
    return timer;
}

void MLBlockTimer::invalidate(QTimer *&timer) {
    if (!timer)
        return;
    timer->stop();
    timer->deleteLater();
    timer = nullptr;
}
