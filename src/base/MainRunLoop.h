#pragma once

#include "base/MonotonicTime.h"

#include <QDateTime>
#include <functional>
#include <memory>

namespace ostrel {

// A scheduled timer. Cancelling it, or destroying the last handle, stops it, so a
// component's timers end with the component.
class TimerHandle {
public:
    TimerHandle() = default;
    // `active` is shared with the loop, which clears it when a one-shot timer has fired;
    // `cancel` releases whatever the loop holds for the timer.
    TimerHandle(std::shared_ptr<bool> active, std::function<void()> cancel);
    TimerHandle(TimerHandle&& other) noexcept;
    TimerHandle& operator=(TimerHandle&& other) noexcept;
    TimerHandle(const TimerHandle&) = delete;
    TimerHandle& operator=(const TimerHandle&) = delete;
    ~TimerHandle();

    void cancel();
    // True from scheduling until cancelled or, for a one-shot timer, until it fired.
    bool isActive() const;

private:
    std::function<void()> cancel_;
    std::shared_ptr<bool> active_;
};

// The main thread's run loop and clocks. Every timer, delayed call and hand-over to the
// main thread goes through it; production uses the Qt event loop, tests a manual loop.
class MainRunLoop {
public:
    using Task = std::function<void()>;

    virtual ~MainRunLoop() = default;

    // Wall-clock time, UTC: only for time stamps that are stored or shown.
    virtual QDateTime now() const = 0;
    // Monotonic time: for every interval rule.
    virtual MonotonicTime monotonicNow() const = 0;

    virtual TimerHandle scheduleRepeating(double intervalSeconds, Task task) = 0;
    virtual TimerHandle scheduleOnce(double delaySeconds, Task task) = 0;
    // Runs `task` on the main thread soon. Safe to call from any thread.
    virtual void post(Task task) = 0;
};

} // namespace ostrel
