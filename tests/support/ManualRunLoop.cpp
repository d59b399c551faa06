#include "support/ManualRunLoop.h"

#include <algorithm>
#include <utility>

namespace ostrel {

namespace {

std::chrono::nanoseconds toDuration(double seconds) {
    return std::chrono::nanoseconds(static_cast<qint64>(std::max(0.0, seconds) * 1e9));
}

} // namespace

// The monotonic clock starts far from zero, as a real one does.
ManualRunLoop::ManualRunLoop(QDateTime wallClockStart)
    : monotonicStart_(MonotonicTime(std::chrono::hours(1000))), monotonic_(monotonicStart_),
      wallClockStart_(std::move(wallClockStart)) {}

QDateTime ManualRunLoop::now() const {
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(monotonic_ - monotonicStart_);
    return wallClockStart_.addMSecs(elapsed.count() + wallClockStepMs_);
}

MonotonicTime ManualRunLoop::monotonicNow() const {
    return monotonic_;
}

TimerHandle ManualRunLoop::scheduleRepeating(double intervalSeconds, Task task) {
    return schedule(intervalSeconds, true, std::move(task));
}

TimerHandle ManualRunLoop::scheduleOnce(double delaySeconds, Task task) {
    return schedule(delaySeconds, false, std::move(task));
}

TimerHandle ManualRunLoop::schedule(double seconds, bool repeating, Task task) {
    auto active = std::make_shared<bool>(true);
    std::chrono::nanoseconds interval = toDuration(seconds);
    if (repeating) {
        // A zero period would fire forever within one advance().
        interval = std::max(interval, std::chrono::nanoseconds(std::chrono::milliseconds(1)));
    }
    timers_.push_back(
        {nextSequence_++, monotonic_ + interval, interval, repeating, active, std::move(task)});
    return TimerHandle(active, nullptr);
}

void ManualRunLoop::post(Task task) {
    std::lock_guard lock(postedMutex_);
    posted_.push_back(std::move(task));
}

void ManualRunLoop::runPending() {
    for (;;) {
        std::vector<Task> batch;
        {
            std::lock_guard lock(postedMutex_);
            batch.swap(posted_);
        }
        if (batch.empty()) {
            return;
        }
        for (Task& task : batch) {
            task();
        }
    }
}

ManualRunLoop::Timer* ManualRunLoop::nextDueTimer(MonotonicTime limit) {
    std::erase_if(timers_, [](const Timer& timer) { return !*timer.active; });
    Timer* next = nullptr;
    for (Timer& timer : timers_) {
        if (timer.due > limit) {
            continue;
        }
        if (!next || timer.due < next->due ||
            (timer.due == next->due && timer.sequence < next->sequence)) {
            next = &timer;
        }
    }
    return next;
}

void ManualRunLoop::advance(double seconds) {
    const MonotonicTime target = monotonic_ + toDuration(seconds);
    runPending();
    while (Timer* timer = nextDueTimer(target)) {
        monotonic_ = timer->due;
        Task task = timer->task; // the timer may be cancelled or the list grow while it runs
        if (timer->repeating) {
            timer->due += timer->interval;
        } else {
            *timer->active = false;
        }
        task();
        runPending();
    }
    monotonic_ = target;
    runPending();
}

void ManualRunLoop::stepWallClock(double seconds) {
    wallClockStepMs_ += static_cast<qint64>(seconds * 1000.0);
}

int ManualRunLoop::activeTimerCount() const {
    return static_cast<int>(std::count_if(timers_.begin(), timers_.end(),
                                          [](const Timer& timer) { return *timer.active; }));
}

} // namespace ostrel
