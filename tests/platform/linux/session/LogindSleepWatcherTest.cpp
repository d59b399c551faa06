#include "platform/linux/session/LogindSleepWatcher.h"

#include "platform/linux/applications/LinuxRunningApplications.h"
#include "support/CapturedLog.h"
#include "support/ManualRunLoop.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");

// Runs the Qt event loop until `done` holds; bounded, as the messages come from a real bus.
bool runUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(10'000);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void emitPrepareForSleep(QDBusConnection& sender, bool goingToSleep) {
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, "PrepareForSleep");
    signal << goingToSleep;
    ASSERT_TRUE(sender.send(signal));
    // A round trip: the bus has routed the signal before it answers.
    sender.interface()->isServiceRegistered("org.freedesktop.DBus");
}

// Connections to the private session bus the test services provide, standing for the
// system bus: one owns logind's name, one is any other program, one is Ostrel's.
class LogindBusTest : public testing::Test {
protected:
    void SetUp() override {
        const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
        if (address.isEmpty()) {
            GTEST_SKIP() << "no private session bus (run through scripts/with-test-services)";
        }
        logind_ = QDBusConnection::connectToBus(address, "ostrel-test-logind");
        impostor_ = QDBusConnection::connectToBus(address, "ostrel-test-impostor");
        listener_ = QDBusConnection::connectToBus(address, "ostrel-test-listener");
        ASSERT_TRUE(logind_.isConnected() && impostor_.isConnected() && listener_.isConnected());
        ASSERT_TRUE(logind_.registerService("org.freedesktop.login1"));
    }
    void TearDown() override {
        for (const char* name :
             {"ostrel-test-logind", "ostrel-test-impostor", "ostrel-test-listener"}) {
            QDBusConnection::disconnectFromBus(name);
        }
    }

    QDBusConnection logind_{QString()};
    QDBusConnection impostor_{QString()};
    QDBusConnection listener_{QString()};
};

class SleepObserver final : public RunningApplicationsObserver {
public:
    void systemWillSleep() override { events.append("sleep"); }
    void systemDidWake() override { events.append("wake"); }
    QStringList events;
};

} // namespace

TEST_F(LogindBusTest, HearsSleepAndWakeFromLogindOnly) {
    std::vector<bool> heard;
    LogindSleepWatcher watcher(listener_,
                               [&heard](bool goingToSleep) { heard.push_back(goingToSleep); });
    ASSERT_TRUE(watcher.isListening());

    emitPrepareForSleep(impostor_, true); // not logind: ignored
    emitPrepareForSleep(logind_, true);
    emitPrepareForSleep(logind_, false);
    ASSERT_TRUE(runUntil([&heard] { return heard.size() >= 2; }));
    EXPECT_EQ(heard, (std::vector<bool>{true, false}));
}

TEST_F(LogindBusTest, ObserversOfTheApplicationsHearSleepAndWake) {
    CapturedLog log;
    ManualRunLoop loop;
    LinuxRunningApplications applications(loop, 100, "/nonexistent", {}, nullptr, listener_);
    SleepObserver observer;
    applications.addObserver(&observer);

    emitPrepareForSleep(logind_, true);
    emitPrepareForSleep(logind_, false);
    ASSERT_TRUE(runUntil([&observer] { return observer.events.size() >= 2; }));
    EXPECT_EQ(observer.events, (QStringList{"sleep", "wake"}));

    applications.removeObserver(&observer);
    emitPrepareForSleep(logind_, true);
    runUntil([] { return true; });
    EXPECT_EQ(observer.events.size(), 2);
    EXPECT_EQ(log.countStartingWith("ℹ️ [RunningApplications] No system bus"), 0);
}

TEST(LogindSleepWatcherTest, WithoutABusNothingIsHeardAndOneLineSaysSo) {
    CapturedLog log;
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
