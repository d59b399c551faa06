#include "platform/linux/session/SessionSingleInstance.h"

#include <QDBusConnection>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

TEST(SessionSingleInstance, SecondLaunchIsRefusedAndCanAskTheFirstToShow) {
    QTemporaryDir runtime;
    {
        SessionSingleInstance first(runtime.path(), "3");
        ASSERT_TRUE(first.acquire());
        SessionSingleInstance second(runtime.path(), "3");
        EXPECT_FALSE(second.acquire());

        int shown = 0;
        first.listenForActivation([&] { ++shown; });
        EXPECT_TRUE(second.askRunningInstanceToShow());
        EXPECT_EQ(shown, 1);

        // The runtime folder and the bus serve every session of the user: another session,
        // named by its display when it has no id, runs its own Ostrel and reaches only it.
        SessionSingleInstance otherSession(runtime.path(), ":1.0");
        ASSERT_TRUE(otherSession.acquire());
        EXPECT_FALSE(otherSession.askRunningInstanceToShow());
        int shownThere = 0;
        otherSession.listenForActivation([&] { ++shownThere; });
        EXPECT_TRUE(SessionSingleInstance(runtime.path(), ":1.0").askRunningInstanceToShow());
        EXPECT_TRUE(shownThere == 1 && shown == 1);
    }
    // Once the first is gone, the next launch is the one.
    SessionSingleInstance next(runtime.path(), "3");
    EXPECT_TRUE(next.acquire());
    EXPECT_FALSE(next.askRunningInstanceToShow());
}
