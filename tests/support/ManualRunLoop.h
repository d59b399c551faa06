#pragma once

#include "base/MainRunLoop.h"

#include <QDateTime>
#include <QTimeZone>
#include <mutex>
#include <vector>

namespace ostrel {

// A run loop whose clocks move only when the test says so. advance() fires exactly the
// timers that fall due, in time order (ties in the order they were scheduled), and runs
// the posted tasks before each timer and at the end.
class ManualRunLoop final : public MainRunLoop {
public:
    explicit ManualRunLoop(QDateTime wallClockStart = QDateTime(QDate(2026, 1, 1), QTime(0, 0),
                                                                Qt::UTC));

    QDateTime now() const override;
    MonotonicTime monotonicNow() const override;
    TimerHandle scheduleRepeating(double intervalSeconds, Task task) override;
    TimerHandle scheduleOnce(double delaySeconds, Task task) override;
    void post(Task task) override;

    void advance(double seconds);
    // Runs the tasks posted so far, and those they post.
    void runPending();
    // Steps the wall clock alone, as a user or a resume from sleep would.
    void stepWallClock(double seconds);
    int activeTimerCount() const;

private:
    struct Timer {
        quint64 sequence;
        MonotonicTime due;
        std::chrono::nanoseconds interval;
        bool repeating;
        std::shared_ptr<bool> active;
        Task task;
    };

    TimerHandle schedule(double seconds, bool repeating, Task task);
    Timer* nextDueTimer(MonotonicTime limit);

    const MonotonicTime monotonicStart_;
    MonotonicTime monotonic_;
    const QDateTime wallClockStart_;
    qint64 wallClockStepMs_ = 0;
    std::vector<Timer> timers_;
    quint64 nextSequence_ = 0;
    mutable std::mutex postedMutex_;
    std::vector<Task> posted_;
};

} // namespace ostrel
