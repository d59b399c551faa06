#include "platform/linux/session/LogindSleepWatcher.h"

#include "platform/linux/applications/LinuxRunningApplications.h"
#include "support/CapturedLog.h"
#include "support/ManualRunLoop.h"
#include "support/RunUntil.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

class SleepObserver final : public RunningApplicationsObserver {
public:
    void systemWillSleep() override { events.append("sleep"); }
    void systemDidWake() override { events.append("wake"); }
    QStringList events;
};

} // namespace

// Connections to the private session bus the test services provide stand for the system bus:
// one owns logind's name, one is any other program, and the default one is Ostrel's.
TEST(LogindSleepWatcherTest, ObserversOfTheApplicationsHearSleepAndWakeFromLogindOnly) {
    QDBusConnection logind =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "ostrel-test-logind");
    QDBusConnection impostor =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "ostrel-test-impostor");
    ASSERT_TRUE(logind.registerService("org.freedesktop.login1"));
    const auto prepareForSleep = [](QDBusConnection& sender, bool goingToSleep) {
        QDBusMessage signal = QDBusMessage::createSignal(
            "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep");
        signal << goingToSleep;
        EXPECT_TRUE(sender.send(signal));
        // A round trip: the bus has routed the signal before it answers.
        sender.interface()->isServiceRegistered("org.freedesktop.DBus");
    };

    ManualRunLoop loop;
    LinuxRunningApplications applications(loop, 100, "/nonexistent", {}, nullptr,
                                          QDBusConnection::sessionBus());
    SleepObserver staying;
    SleepObserver leaving;
    applications.addObserver(&staying);
    applications.addObserver(&leaving);
    prepareForSleep(impostor, true);
    prepareForSleep(logind, true);
    prepareForSleep(logind, false);
    ASSERT_TRUE(runUntil([&] { return staying.events.size() >= 2; }));
    EXPECT_EQ(staying.events, (QStringList{"sleep", "wake"}));

    applications.removeObserver(&leaving);
    prepareForSleep(logind, true);
    ASSERT_TRUE(runUntil([&] { return staying.events.size() >= 3; }));
    EXPECT_EQ(leaving.events, (QStringList{"sleep", "wake"}));
    QDBusConnection::disconnectFromBus("ostrel-test-logind");
    QDBusConnection::disconnectFromBus("ostrel-test-impostor");
}

TEST(LogindSleepWatcherTest, WithoutABusNothingIsHeardAndOneLineSaysSo) {
    const CapturedLog log;
    const QDBusConnection missing =
        QDBusConnection::connectToBus("unix:path=/nonexistent/ostrel-bus", "ostrel-test-nobus");
    {
        LogindSleepWatcher watcher(missing, [](bool) { FAIL(); });
        EXPECT_FALSE(watcher.isListening());
    }
    QDBusConnection::disconnectFromBus("ostrel-test-nobus");
    EXPECT_EQ(log.lines(),
              QStringList{"ℹ️ [RunningApplications] No system bus: sleep and wake will not be "
                          "reported"});
}
