#include "base/QtMainRunLoop.h"
#include "support/ManualRunLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <gtest/gtest.h>
#include <vector>

using namespace ostrel;

TEST(ManualRunLoop, TimersFireInTimeOrderUntilCancelledDestroyedOrReplaced) {
    ManualRunLoop loop;
    std::vector<QString> fired;
    TimerHandle fast = loop.scheduleRepeating(0.25, [&] { fired.push_back("fast"); });
    TimerHandle once = loop.scheduleOnce(0.6, [&] { fired.push_back("once"); });
    TimerHandle slow = loop.scheduleRepeating(0.5, [&] { fired.push_back("slow"); });
    {
        TimerHandle dropped = loop.scheduleOnce(0.1, [&] { fired.push_back("dropped"); });
    }
    TimerHandle self = loop.scheduleRepeating(0.1, [&] {
        fired.push_back("self");
        self.cancel();
    });
    loop.advance(0.24);
    EXPECT_EQ(fired, std::vector<QString>{"self"}); // nothing early
    loop.advance(0.76);                             // up to 1.0 s
    // At 0.5 s both repeating timers fall due: the one scheduled first fires first.
    EXPECT_EQ(fired, (std::vector<QString>{"self", "fast", "fast", "slow", "once", "fast", "fast",
                                           "slow"}));
    EXPECT_FALSE(once.isActive());
    EXPECT_TRUE(fast.isActive());

    fast.cancel();
    slow.cancel();
    EXPECT_EQ(loop.activeTimerCount(), 0);
    // Moving a handle over another stops the replaced timer.
    TimerHandle replaced = loop.scheduleRepeating(1, [&] { fired.push_back("replaced"); });
    replaced = loop.scheduleOnce(1, [&] { fired.push_back("replacement"); });
    fired.clear();
    loop.advance(3);
    EXPECT_EQ(fired, std::vector<QString>{"replacement"});
}

TEST(ManualRunLoop, WallClockStepsDoNotMoveTheMonotonicClock) {
    ManualRunLoop loop;
    const MonotonicTime startMonotonic = loop.monotonicNow();
    const QDateTime startWall = loop.now();
    loop.advance(1.5);
    loop.stepWallClock(-3600); // clock set back an hour
    EXPECT_EQ(startWall.msecsTo(loop.now()), 1500 - 3600 * 1000);
    EXPECT_DOUBLE_EQ(secondsSince(startMonotonic, loop.monotonicNow()), 1.5);
    EXPECT_GT(secondsSince(LastOccurrence(), loop.monotonicNow()), 1e300); // never: long ago
}

// The Qt loop is checked through the real event loop, waiting on events, never on time.
TEST(QtMainRunLoop, TasksFromAnotherThreadRunOnTheMainThreadAndCancelledTimersNever) {
    QtMainRunLoop loop;
    QThread* ranOn = nullptr;
    bool cancelledFired = false;
    QEventLoop events;
    TimerHandle cancelled = loop.scheduleOnce(0, [&] { cancelledFired = true; });
    cancelled.cancel();
    TimerHandle once; // scheduled by the posted task, it ends the wait after both ran
    QThread* worker = QThread::create([&] {
        loop.post([&] {
            ranOn = QThread::currentThread();
            once = loop.scheduleOnce(0.01, [&] { events.quit(); });
        });
    });
    worker->start();
    events.exec();
    worker->wait();
    delete worker;
    EXPECT_EQ(ranOn, QCoreApplication::instance()->thread());
    EXPECT_FALSE(cancelledFired);
    EXPECT_FALSE(once.isActive());
}
