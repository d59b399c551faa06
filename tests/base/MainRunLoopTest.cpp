#include "base/QtMainRunLoop.h"
#include "support/ManualRunLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <vector>

using namespace ostrel;

TEST(ManualRunLoop, FiresDueTimersInTimeOrderAndNothingEarly) {
    ManualRunLoop loop;
    std::vector<QString> fired;
    TimerHandle fast = loop.scheduleRepeating(0.25, [&] { fired.push_back("fast"); });
    TimerHandle once = loop.scheduleOnce(0.6, [&] { fired.push_back("once"); });
    TimerHandle slow = loop.scheduleRepeating(0.5, [&] { fired.push_back("slow"); });

    loop.advance(0.24);
    EXPECT_TRUE(fired.empty());

    loop.advance(0.76); // up to 1.0 s
    // At 0.5 s both repeating timers fall due: the one scheduled first fires first.
    const std::vector<QString> expected{"fast", "fast", "slow", "once", "fast", "fast", "slow"};
    EXPECT_EQ(fired, expected);
    EXPECT_FALSE(once.isActive());
    EXPECT_TRUE(fast.isActive());
}

TEST(ManualRunLoop, CancelledAndDestroyedTimersNeverFire) {
    ManualRunLoop loop;
    int count = 0;
    TimerHandle cancelled = loop.scheduleRepeating(0.25, [&] { ++count; });
    {
        TimerHandle dropped = loop.scheduleOnce(0.1, [&] { ++count; });
    }
    TimerHandle selfCancelling;
    selfCancelling = loop.scheduleRepeating(0.1, [&] {
        ++count;
        selfCancelling.cancel();
    });
    loop.advance(0.2);
    cancelled.cancel();
    loop.advance(5);
    EXPECT_EQ(count, 1); // only the self-cancelling timer's first tick
    EXPECT_EQ(loop.activeTimerCount(), 0);

    // Moving a handle over another stops the replaced timer.
    TimerHandle replaced = loop.scheduleRepeating(1, [&] { count += 100; });
    replaced = loop.scheduleOnce(1, [&] { count += 1; });
    loop.advance(3);
    EXPECT_EQ(count, 2);
}

TEST(ManualRunLoop, PostedTasksRunInOrderIncludingThoseFromOtherThreads) {
    ManualRunLoop loop;
    std::vector<int> order;
    loop.post([&] {
        order.push_back(1);
        loop.post([&] { order.push_back(3); });
    });
    QThread* worker = QThread::create([&] { loop.post([&] { order.push_back(2); }); });
    worker->start();
    worker->wait();
    delete worker;
    EXPECT_TRUE(order.empty());
    loop.runPending();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(ManualRunLoop, WallClockStepsDoNotMoveTheMonotonicClock) {
    ManualRunLoop loop;
    const MonotonicTime startMonotonic = loop.monotonicNow();
    const QDateTime startWall = loop.now();
    loop.advance(1.5);
    EXPECT_EQ(startWall.msecsTo(loop.now()), 1500);
    EXPECT_DOUBLE_EQ(secondsSince(startMonotonic, loop.monotonicNow()), 1.5);

    loop.stepWallClock(-3600); // clock set back an hour
    EXPECT_EQ(startWall.msecsTo(loop.now()), 1500 - 3600 * 1000);
    EXPECT_DOUBLE_EQ(secondsSince(startMonotonic, loop.monotonicNow()), 1.5);
}

TEST(MonotonicTime, NeverIsInfinitelyLongAgo) {
    ManualRunLoop loop;
    const LastOccurrence never;
    EXPECT_FALSE(secondsSince(never, loop.monotonicNow()) < 0.3);
    EXPECT_GT(secondsSince(never, loop.monotonicNow()), 1e300);
}

// The Qt loop is checked through the real event loop, waiting on events, never on time.
TEST(QtMainRunLoop, PostedTasksFromAnotherThreadRunOnTheMainThread) {
    QtMainRunLoop loop;
    QThread* ranOn = nullptr;
    QEventLoop events;
    QThread* worker = QThread::create([&] {
        loop.post([&] {
            ranOn = QThread::currentThread();
            events.quit();
        });
    });
    worker->start();
    events.exec();
    worker->wait();
    delete worker;
    EXPECT_EQ(ranOn, QCoreApplication::instance()->thread());
}

TEST(QtMainRunLoop, CancelledTimerDoesNotFireWhileALaterOneDoes) {
    QtMainRunLoop loop;
    bool cancelledFired = false;
    int onceCount = 0;
    QEventLoop events;
    TimerHandle cancelled = loop.scheduleOnce(0, [&] { cancelledFired = true; });
    cancelled.cancel();
    TimerHandle once = loop.scheduleOnce(0.01, [&] {
        ++onceCount;
        events.quit();
    });
    events.exec();
    EXPECT_FALSE(cancelledFired);
    EXPECT_EQ(onceCount, 1);
    EXPECT_FALSE(once.isActive());
}
