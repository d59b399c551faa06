#include "platform/linux/session/DBusNotificationCenter.h"

#include "alerts/NotificationManager.h"
#include "support/CapturedLog.h"
#include "support/FakeProcessControl.h"
#include "support/ManualRunLoop.h"
#include "support/NotificationServerStub.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

// Waits for a real server's reply: bounded, never a timed assertion.
bool waitUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return done();
}

class DBusNotificationCenterTest : public testing::Test {
protected:
    DBusNotificationCenterTest() {
        center.delegate = &manager;
        processes.startTimes[42] = 777;
    }

    std::vector<NotifyCall> waitForCalls(NotificationServerStub& server, size_t count) {
        EXPECT_TRUE(waitUntil([&] { return server.calls().size() >= count; }));
        return server.calls();
    }

    QTemporaryDir root;
    QSettings settings{root.filePath("Ostrel.conf"), QSettings::IniFormat};
    AllowedAppsManager allowedApps{settings};
    ManualRunLoop loop;
    FakeProcessControl processes;
    DBusNotificationCenter center{QDBusConnection::sessionBus()};
    NotificationManager manager{center, allowedApps, processes, settings, loop};
    CapturedLog log;
};

} // namespace

TEST_F(DBusNotificationCenterTest, NotificationsTravelToTheServerAndResponsesComeBack) {
    NotificationServerStub server;
    ASSERT_TRUE(server.isRegistered());
    settings.setValue("OstrelSoundAlerts", true);

    const ProcessInfo zoom{42, "Zoom <b>Meetings</b> & \"co\"", QString("us.zoom.xos"), {}};
    manager.showCombinedNotification({DeviceType::Camera, DeviceType::Microphone}, zoom);
    std::vector<NotifyCall> calls = waitForCalls(server, 1);
    ASSERT_EQ(calls.size(), 1u);
    const NotifyCall& call = calls[0];
    EXPECT_EQ(call.appName, "Ostrel");
    EXPECT_EQ(call.replacesId, 0u);
    EXPECT_EQ(call.appIcon, "io.github.Ostrel");
    EXPECT_EQ(call.summary, "🔍 Ostrel Alert");
    EXPECT_EQ(call.body, "Camera and Microphone being accessed by Zoom &lt;b&gt;Meetings&lt;/b&gt; "
                         "&amp; &quot;co&quot; (PID: 42)");
    EXPECT_EQ(call.actions, (QStringList{"ALLOW", "Allow", "ALLOW_ALWAYS", "Allow Always", "BLOCK",
                                         "Block", "default", ""}));
    EXPECT_EQ(call.hints.value("sound-name"), QVariant("message-new-instant"));
    EXPECT_FALSE(call.hints.contains("suppress-sound"));
    EXPECT_EQ(call.hints.value("category"), QVariant("device"));
    EXPECT_EQ(call.hints.value("desktop-entry"), QVariant("io.github.Ostrel"));
    EXPECT_EQ(call.expireTimeout, -1);
    EXPECT_TRUE(
        waitUntil([&] { return log.contains("✅ Combined notification added successfully"); }));
    EXPECT_TRUE(log.contains("✅ [Notifications] Notification server: stub-server 1.0"));

    server.sendActionInvoked(call.id, "ALLOW_ALWAYS");
    ASSERT_TRUE(waitUntil([&] { return allowedApps.getAllowedApps().size() == 2; }));
    EXPECT_EQ(allowedApps.getAllowedApps().keys(),
              (QStringList{zoom.name + "_Camera", zoom.name + "_Microphone"}));
    EXPECT_TRUE(log.contains("📱 User responded to notification: ALLOW_ALWAYS"));

    // Without sound, and with the other kind's actions.
    settings.setValue("OstrelSoundAlerts", false);
    settings.setValue("OstrelShowInactiveAlerts", true);
    manager.showCombinedDeactivationNotification({DeviceType::Microphone}, {43, "Slack", {}, {}});
    calls = waitForCalls(server, 2);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].summary, "🔒 Ostrel Alert");
    EXPECT_EQ(calls[1].body, "Microphone access stopped");
    EXPECT_EQ(calls[1].actions, (QStringList{"OK_DEACTIVATION", "OK", "VIEW_DETAILS",
                                             "View Details", "default", ""}));
    EXPECT_EQ(calls[1].hints.value("suppress-sound"), QVariant(true));
    EXPECT_FALSE(calls[1].hints.contains("sound-name"));
}

TEST_F(DBusNotificationCenterTest, OnlyResponsesToOstrelsOwnLiveNotificationsCount) {
    NotificationServerStub server;
    ASSERT_TRUE(server.isRegistered());
    manager.showCombinedNotification({DeviceType::Camera}, ProcessInfo{42, "Zoom", {}, {}});
    manager.showCombinedNotification({DeviceType::Camera}, ProcessInfo{43, "Cheese", {}, {}});
    const std::vector<NotifyCall> calls = waitForCalls(server, 2);
    ASSERT_EQ(calls.size(), 2u);
    ASSERT_TRUE(waitUntil(
        [&] { return log.countStartingWith("✅ Combined notification added successfully") == 2; }));

    // Another program's notification, one Ostrel's server closed, and a signal sent by a
    // program that does not own the service are all ignored; the signals arrive in order, so
    // the last response shows the others have been handled.
    server.sendActionInvoked(9999, "ALLOW_ALWAYS");
    server.sendNotificationClosed(calls[0].id, 2);
    server.sendActionInvoked(calls[0].id, "ALLOW_ALWAYS");
    {
        QDBusConnection forger =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, "ostrel-test-forger");
        QDBusMessage forged = QDBusMessage::createSignal(
            "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
        forged << calls[1].id << QString("ALLOW_ALWAYS");
        ASSERT_TRUE(forger.send(forged));
        // The bus answers in order: once it replied, it has routed the forged signal.
        forger.call(QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                   "org.freedesktop.DBus", "GetId"));
        QDBusConnection::disconnectFromBus("ostrel-test-forger");
    }
    server.sendActionInvoked(calls[1].id, "ALLOW");

    ASSERT_TRUE(waitUntil([&] { return log.contains("✅ User allowed Cheese to access Camera"); }));
    EXPECT_EQ(log.countStartingWith("📱 User responded to notification: "), 1);
    EXPECT_TRUE(allowedApps.getAllowedApps().isEmpty());
}

TEST_F(DBusNotificationCenterTest, BodiesAreLeftAloneForServersWithoutMarkup) {
    NotificationServerStub server(QStringList{"actions", "body"});
    ASSERT_TRUE(server.isRegistered());
    bool settingsKnown = false;
    center.getNotificationSettings([&](const NotificationSettings& settings) {
        EXPECT_EQ(settings.authorizationStatus, NotificationAuthorizationStatus::Authorized);
        EXPECT_EQ(settings.alertSetting, NotificationSetting::Enabled);
        EXPECT_EQ(settings.soundSetting, NotificationSetting::NotSupported);
        settingsKnown = true;
    });
    ASSERT_TRUE(waitUntil([&] { return settingsKnown; }));

    manager.showCombinedNotification({DeviceType::Camera}, ProcessInfo{42, "a<b>&c", {}, {}});
    const std::vector<NotifyCall> calls = waitForCalls(server, 1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].body, "Camera being accessed by a<b>&c (PID: 42)");
}

TEST_F(DBusNotificationCenterTest, WithoutAServerNothingIsAuthorized) {
    manager.requestNotificationPermission();
    ASSERT_TRUE(
        waitUntil([&] { return log.contains("❌ Notification permission previously denied"); }));
    EXPECT_TRUE(log.contains("📱 Current notification authorization status: 1"));
    EXPECT_EQ(
        log.countStartingWith("⚠️ [Notifications] The notification server does not answer: "
                              "org.freedesktop.DBus.Error.ServiceUnknown"),
        1);

    std::optional<bool> granted;
    std::optional<QString> error;
    center.requestAuthorization([&](bool answer, const std::optional<QString>& problem) {
        granted = answer;
        error = problem;
    });
    ASSERT_TRUE(waitUntil([&] { return granted.has_value(); }));
    EXPECT_FALSE(*granted);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->startsWith("org.freedesktop.DBus.Error.ServiceUnknown"));

    manager.showCombinedNotification({DeviceType::Camera}, ProcessInfo{42, "Zoom", {}, {}});
    ASSERT_TRUE(waitUntil([&] { return log.contains("❌ Notifications not authorized"); }));
    // Each posting asks afresh: a server that starts later is used.
    NotificationServerStub server;
    ASSERT_TRUE(server.isRegistered());
    manager.showCombinedNotification({DeviceType::Camera}, ProcessInfo{42, "Zoom", {}, {}});
    EXPECT_EQ(waitForCalls(server, 1).size(), 1u);
}

TEST_F(DBusNotificationCenterTest, EscapingCoversMarkupAndQuotes) {
    EXPECT_EQ(DBusNotificationCenter::escapedMarkup("<a href='x'>\"&\"</a>"),
              "&lt;a href=&#39;x&#39;&gt;&quot;&amp;&quot;&lt;/a&gt;");
    EXPECT_EQ(DBusNotificationCenter::escapedMarkup("Zoom 📷"), "Zoom 📷");
}
