#pragma once

#include "base/MainRunLoop.h"

#include <QObject>

namespace ostrel {

// The production run loop: Qt timers and queued calls on the thread that created it.
class QtMainRunLoop final : public MainRunLoop {
public:
    QtMainRunLoop();
    ~QtMainRunLoop() override;

    QDateTime now() const override;
    MonotonicTime monotonicNow() const override;
    TimerHandle scheduleRepeating(double intervalSeconds, Task task) override;
    TimerHandle scheduleOnce(double delaySeconds, Task task) override;
    void post(Task task) override;

private:
    TimerHandle schedule(double seconds, bool repeating, Task task);

    QObject context_; // owns the timers and receives the posted calls
};

} // namespace ostrel
