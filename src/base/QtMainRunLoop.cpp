#include "base/QtMainRunLoop.h"

#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <utility>

namespace ostrel {

QtMainRunLoop::QtMainRunLoop() = default;
QtMainRunLoop::~QtMainRunLoop() = default;

QDateTime QtMainRunLoop::now() const {
    return QDateTime::currentDateTimeUtc();
}

MonotonicTime QtMainRunLoop::monotonicNow() const {
    return std::chrono::steady_clock::now();
}

TimerHandle QtMainRunLoop::scheduleRepeating(double intervalSeconds, Task task) {
    return schedule(intervalSeconds, true, std::move(task));
}

TimerHandle QtMainRunLoop::scheduleOnce(double delaySeconds, Task task) {
    return schedule(delaySeconds, false, std::move(task));
}

TimerHandle QtMainRunLoop::schedule(double seconds, bool repeating, Task task) {
    auto active = std::make_shared<bool>(true);
    auto* timer = new QTimer(&context_);
    timer->setSingleShot(!repeating);
    const double milliseconds = std::isfinite(seconds) ? std::max(0.0, seconds * 1000.0) : 0.0;
    timer->setInterval(static_cast<int>(std::min(milliseconds, 2147483647.0)));
    QObject::connect(timer, &QTimer::timeout, timer, [timer, repeating, active, task] {
        if (!*active) {
            return;
        }
        if (!repeating) {
            *active = false;
            timer->deleteLater();
        }
        task();
    });
    timer->start();
    QPointer<QTimer> guard(timer);
    return TimerHandle(active, [guard] {
        if (guard) {
            guard->stop();
            guard->deleteLater();
        }
    });
}

void QtMainRunLoop::post(Task task) {
    QMetaObject::invokeMethod(&context_, std::move(task), Qt::QueuedConnection);
}

} // namespace ostrel
