#include "platform/linux/session/DBusNotificationCenter.h"

#include "alerts/NotificationManager.h"
#include "support/CapturedLog.h"
#include "support/FakeProcessControl.h"
#include "support/ManualRunLoop.h"
#include "support/NotificationServerStub.h"
#include "support/RunUntil.h"

#include <QDBusMessage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

class DBusNotificationCenterTest : public testing::Test {
protected:
    DBusNotificationCenterTest() { center.delegate = &manager; }

    NotifyCall nextCall(const NotificationServerStub& server) {
        const size_t index = seenCalls++;
        EXPECT_TRUE(runUntil([&] { return server.calls().size() > index; }));
        return index < server.calls().size() ? server.calls()[index] : NotifyCall{};
    }

    QTemporaryDir root;
    QSettings settings{root.filePath("Ostrel.conf"), QSettings::IniFormat};
    AllowedAppsManager allowedApps{settings};
    ManualRunLoop loop;
    FakeProcessControl processes;
    DBusNotificationCenter center{QDBusConnection::sessionBus()};
    SuspendedProcesses suspended{processes};
    NotificationManager manager{center, allowedApps, suspended, settings, loop};
    CapturedLog log;
    size_t seenCalls = 0;
};

} // namespace

TEST_F(DBusNotificationCenterTest, NotificationsTravelToTheServerAndResponsesComeBack) {
    NotificationServerStub server;
    ASSERT_TRUE(server.isRegistered());
    settings.setValue("OstrelSoundAlerts", true);

    const ProcessInfo zoom{42, "Zoom <b>Meetings</b> & \"co's\" 📷", QString("us.zoom.xos"), {}};
    manager.showCombinedNotification({DeviceType::Camera, DeviceType::Microphone}, zoom);
    const NotifyCall call = nextCall(server);
    EXPECT_EQ(call.replacesId, 0u);
    EXPECT_EQ(call.summary, "🔍 Ostrel Alert");
    EXPECT_EQ(call.body, "Camera and Microphone being accessed by Zoom &lt;b&gt;Meetings&lt;/b&gt; "
                         "&amp; &quot;co&apos;s&quot; 📷 (PID: 42)");
    EXPECT_EQ(call.actions, (QStringList{"ALLOW", "Allow", "ALLOW_ALWAYS", "Allow Always", "BLOCK",
                                         "Block", "default", ""}));
    EXPECT_EQ(call.hints.value("sound-name"), QVariant("message-new-instant"));
    EXPECT_FALSE(call.hints.contains("suppress-sound"));
    // Someone may be watching now: critical urgency, a byte as the protocol says.
    EXPECT_EQ(call.hints.value("urgency"), QVariant::fromValue(uchar(2)));

    server.sendActionInvoked(call.id, "ALLOW_ALWAYS");
    ASSERT_TRUE(runUntil([&] { return allowedApps.getAllowedApps().size() == 2; }));
    EXPECT_EQ(allowedApps.getAllowedApps().keys(),
              (QStringList{zoom.name + "_Camera", zoom.name + "_Microphone"}));

    // Without sound, and with the other kind's actions.
    settings.setValue("OstrelSoundAlerts", false);
    settings.setValue("OstrelShowInactiveAlerts", true);
    manager.showCombinedDeactivationNotification({DeviceType::Microphone}, {43, "Slack", {}, {}});
    const NotifyCall deactivation = nextCall(server);
    EXPECT_EQ(deactivation.actions, (QStringList{"OK_DEACTIVATION", "OK", "VIEW_DETAILS",
                                                 "View Details", "default", ""}));
    EXPECT_EQ(deactivation.hints.value("suppress-sound"), QVariant(true));
    EXPECT_EQ(deactivation.hints.value("urgency"), QVariant::fromValue(uchar(0)));
    EXPECT_FALSE(deactivation.hints.contains("sound-name"));
}

TEST_F(DBusNotificationCenterTest, OnlyResponsesToOstrelsOwnLiveNotificationsCount) {
    NotificationServerStub server;
    ASSERT_TRUE(server.isRegistered());
    manager.showCombinedNotification({DeviceType::Camera}, ProcessInfo{42, "Zoom", {}, {}});
    manager.showCombinedNotification({DeviceType::Camera}, ProcessInfo{43, "Cheese", {}, {}});
    const uint zoomId = nextCall(server).id;
    const uint cheeseId = nextCall(server).id;
    ASSERT_TRUE(runUntil(
        [&] { return log.countStartingWith("✅ Combined notification added successfully") == 2; }));

    // Another program's notification, one Ostrel's server closed, and a signal sent by a
    // program that does not own the service are all ignored; the signals arrive in order, so
    // the last response shows the others have been handled.
    server.sendActionInvoked(9999, "ALLOW_ALWAYS");
    server.sendNotificationClosed(zoomId, 2);
    server.sendActionInvoked(zoomId, "ALLOW_ALWAYS");
    {
        QDBusConnection forger =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, "ostrel-test-forger");
        QDBusMessage forged = QDBusMessage::createSignal(
            "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
        forged << cheeseId << QString("ALLOW_ALWAYS");
        ASSERT_TRUE(forger.send(forged));
        // The bus answers in order: once it replied, it has routed the forged signal.
        forger.call(QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                   "org.freedesktop.DBus", "GetId"));
        QDBusConnection::disconnectFromBus("ostrel-test-forger");
    }
    server.sendActionInvoked(cheeseId, "ALLOW");

    ASSERT_TRUE(runUntil([&] { return log.contains("✅ User allowed Cheese to access Camera"); }));
    EXPECT_EQ(log.countStartingWith("📱 User responded to notification: "), 1);
    EXPECT_TRUE(allowedApps.getAllowedApps().isEmpty());
}

TEST_F(DBusNotificationCenterTest, AfterTheServerRestartsItsIdsNameOnlyItsOwnNotifications) {
    auto server = std::make_unique<NotificationServerStub>();
    ASSERT_TRUE(server->isRegistered());
    manager.showCombinedNotification({DeviceType::Camera}, ProcessInfo{42, "Zoom", {}, {}});
    const uint zoomId = nextCall(*server).id;
    ASSERT_TRUE(
        runUntil([&] { return log.contains("✅ Combined notification added successfully"); }));
    server.reset(); // never closed Zoom's notification
    ASSERT_TRUE(runUntil([&] {
        return log.contains("ℹ️ [Notifications] The notification server changed: the buttons "
                            "of 1 earlier notifications no longer answer");
    }));

    // The new server counts from 1 again: its id names Cheese's notification, not Zoom's.
    NotificationServerStub restarted;
    ASSERT_TRUE(restarted.isRegistered());
    seenCalls = 0;
    manager.showCombinedNotification({DeviceType::Camera}, ProcessInfo{43, "Cheese", {}, {}});
    const uint cheeseId = nextCall(restarted).id;
    ASSERT_EQ(cheeseId, zoomId);
    restarted.sendActionInvoked(cheeseId, "ALLOW_ALWAYS");
    ASSERT_TRUE(runUntil([&] { return !allowedApps.getAllowedApps().isEmpty(); }));
    EXPECT_EQ(allowedApps.getAllowedApps().keys(), QStringList{"Cheese_Camera"});
}

TEST_F(DBusNotificationCenterTest, WithoutAServerNothingIsAuthorizedUntilOneStarts) {
    std::optional<std::pair<bool, QString>> answer;
    center.requestAuthorization([&](bool granted, const std::optional<QString>& error) {
        answer = {granted, error.value_or(QString())};
    });
    std::optional<NotificationSettings> absent;
    center.getNotificationSettings([&](const NotificationSettings& answer) { absent = answer; });
    ASSERT_TRUE(runUntil([&] { return answer && absent; }));
    EXPECT_FALSE(answer->first);
    // Reported as no server, which is not a refusal the user could undo in a setting.
    EXPECT_FALSE(absent->serverAvailable);
    EXPECT_TRUE(answer->second.startsWith("org.freedesktop.DBus.Error.ServiceUnknown"));
    manager.showCombinedNotification({DeviceType::Camera}, ProcessInfo{42, "Zoom", {}, {}});
    ASSERT_TRUE(runUntil([&] { return log.contains("❌ Notifications not authorized"); }));
    // Asked twice, the server's absence is reported once.
    EXPECT_EQ(
        log.countStartingWith("⚠️ [Notifications] The notification server does not answer"), 1);

    // Each posting asks afresh: a server that starts later is used, here one that renders no
    // markup, so bodies are left alone, and plays no sounds.
    NotificationServerStub server(QStringList{"actions", "body"});
    ASSERT_TRUE(server.isRegistered());
    std::optional<NotificationSettings> known;
    center.getNotificationSettings([&](const NotificationSettings& answer) { known = answer; });
    ASSERT_TRUE(runUntil([&] { return known.has_value(); }));
    EXPECT_TRUE(known->authorizationStatus == NotificationAuthorizationStatus::Authorized &&
                known->serverAvailable);
    EXPECT_EQ(known->alertSetting, NotificationSetting::Enabled);
    EXPECT_EQ(known->soundSetting, NotificationSetting::NotSupported);
    manager.showCombinedNotification({DeviceType::Camera}, ProcessInfo{42, "a<b>&c", {}, {}});
    EXPECT_EQ(nextCall(server).body, "Camera being accessed by a<b>&c (PID: 42)");
}
