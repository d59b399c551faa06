#include "platform/linux/session/SessionSingleInstance.h"

#include <QDBusConnection>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

TEST(SessionSingleInstance, SecondLaunchIsRefusedAndCanAskTheFirstToShow) {
    QTemporaryDir runtime;
    {
        SessionSingleInstance first(runtime.path());
        ASSERT_TRUE(first.acquire());
        SessionSingleInstance second(runtime.path());
        EXPECT_FALSE(second.acquire());

        int shown = 0;
        first.listenForActivation([&] { ++shown; });
        EXPECT_TRUE(second.askRunningInstanceToShow());
        EXPECT_EQ(shown, 1);
    }
    // Once the first is gone, the next launch is the one.
    SessionSingleInstance next(runtime.path());
    EXPECT_TRUE(next.acquire());
    EXPECT_FALSE(next.askRunningInstanceToShow());
}
