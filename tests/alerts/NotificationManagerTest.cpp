#include "alerts/NotificationManager.h"

#include "support/CapturedLog.h"
#include "support/FakeProcessControl.h"
#include "support/FakeUserNotificationCenter.h"
#include "support/ManualRunLoop.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

const QList<DeviceType> kBoth{DeviceType::Camera, DeviceType::Microphone};

class NotificationManagerTest : public testing::Test {
protected:
    NotificationManagerTest() {
        center.delegate = &manager;
        processes.startTimes[42] = 777;
    }

    static ProcessInfo zoom() { return {42, "Zoom", QString("us.zoom.xos"), std::nullopt}; }

    const NotificationRequest& onlyRequest() {
        loop.runPending();
        EXPECT_EQ(center.requests.size(), 1u);
        return center.requests.back();
    }

    static QStringList actionIdentifiers(const QList<NotificationCategory>& categories) {
        QStringList identifiers;
        for (const NotificationCategory& category : categories) {
            identifiers.append(category.identifier + ":");
            for (const NotificationAction& action : category.actions) {
                identifiers.append(action.identifier + "=" + action.title +
                                   (action.destructive ? "!" : ""));
            }
        }
        return identifiers;
    }

    QTemporaryDir root;
    QSettings settings{root.filePath("Ostrel.conf"), QSettings::IniFormat};
    AllowedAppsManager allowedApps{settings};
    ManualRunLoop loop;
    FakeUserNotificationCenter center{loop};
    FakeProcessControl processes;
    NotificationManager manager{center, allowedApps, processes, settings, loop};
    CapturedLog log;
};

} // namespace

TEST_F(NotificationManagerTest, ActivationNamesTheDevicesAndTheProcess) {
    manager.showCombinedNotification(kBoth, zoom());
    const NotificationRequest& request = onlyRequest();
    EXPECT_EQ(request.content.title, "🔍 Ostrel Alert");
    EXPECT_EQ(request.content.body, "Camera and Microphone being accessed by Zoom (PID: 42)");
    EXPECT_EQ(request.content.categoryIdentifier, "COMBINED_DEVICE_ACCESS");
    EXPECT_FALSE(request.content.playsSound);
    EXPECT_TRUE(QRegularExpression("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$")
                    .match(request.identifier)
                    .hasMatch());
    const QVariantMap& info = request.content.userInfo;
    EXPECT_EQ(info.value("devices").toStringList(), (QStringList{"Camera", "Microphone"}));
    EXPECT_EQ(info.value("processName"), QVariant("Zoom"));
    EXPECT_EQ(info.value("processPID"), QVariant(qint32(42)));
    EXPECT_EQ(info.value("processStartTime"), QVariant::fromValue(quint64(777)));
    EXPECT_FALSE(info.contains("isDeactivation"));
    EXPECT_EQ(actionIdentifiers(center.categories),
              (QStringList{"COMBINED_DEVICE_ACCESS:", "ALLOW=Allow", "ALLOW_ALWAYS=Allow Always",
                           "BLOCK=Block!"}));
    EXPECT_TRUE(log.contains("🔔 Attempting to show combined notification for devices: Camera, "
                             "Microphone"));
    EXPECT_TRUE(log.contains("✅ Combined notification added successfully"));

    // Process names are printed as they are, even when they look like placeholders.
    manager.showCombinedNotification({DeviceType::Camera}, ProcessInfo{9, "evil%3 %1", {}, {}});
    loop.runPending();
    EXPECT_EQ(center.requests.back().content.body, "Camera being accessed by evil%3 %1 (PID: 9)");
}

TEST_F(NotificationManagerTest, ActivationWithoutAProcessSkipsTheAllowedList) {
    manager.showCombinedNotification({DeviceType::Microphone}, std::nullopt);
    const NotificationRequest& request = onlyRequest();
    EXPECT_EQ(request.content.body, "Microphone being accessed by an unknown process");
    EXPECT_EQ(request.content.userInfo.value("processName"), QVariant("Unknown"));
    EXPECT_EQ(request.content.userInfo.value("processPID"), QVariant(qint32(-1)));
    EXPECT_FALSE(request.content.userInfo.contains("processStartTime"));
    EXPECT_EQ(log.countStartingWith("📱 [AllowedAppsManager] getAllowedApps()"), 0);
}

TEST_F(NotificationManagerTest, DeactivationFollowsThePreferenceAndReplacesTheCategories) {
    manager.showCombinedDeactivationNotification({DeviceType::Camera}, zoom());
    loop.runPending();
    EXPECT_TRUE(center.requests.empty());
    EXPECT_TRUE(log.contains(
        "🔕 Alerts for inactive devices are turned off - skipping deactivation notification"));

    settings.setValue("OstrelShowInactiveAlerts", true);
    settings.setValue("OstrelSoundAlerts", true);
    manager.showCombinedNotification({DeviceType::Camera}, zoom());
    loop.runPending();
    loop.advance(0.25);
    manager.showCombinedDeactivationNotification({DeviceType::Camera}, zoom());
    loop.runPending();

    ASSERT_EQ(center.requests.size(), 2u);
    EXPECT_TRUE(center.requests.front().content.playsSound);
    const NotificationRequest& request = center.requests.back();
    EXPECT_EQ(request.identifier, "combined_device_deactivation_1767225600.25");
    EXPECT_EQ(request.content.title, "🔒 Ostrel Alert");
    EXPECT_EQ(request.content.body, "Camera access stopped");
    EXPECT_EQ(request.content.categoryIdentifier, "COMBINED_DEVICE_DEACTIVATION");
    EXPECT_TRUE(request.content.playsSound);
    EXPECT_EQ(request.content.userInfo.value("isDeactivation"), QVariant(true));
    EXPECT_EQ(request.content.userInfo.value("processName"), QVariant("Zoom"));
    EXPECT_EQ(actionIdentifiers(center.categories),
              (QStringList{"COMBINED_DEVICE_DEACTIVATION:", "OK_DEACTIVATION=OK",
                           "VIEW_DETAILS=View Details"}));
    EXPECT_TRUE(log.contains("✅ Combined deactivation notification scheduled successfully"));

    // A whole second writes a fraction all the same.
    loop.advance(0.75);
    manager.showCombinedDeactivationNotification({DeviceType::Camera}, zoom());
    loop.runPending();
    EXPECT_EQ(center.requests.back().identifier, "combined_device_deactivation_1767225601.0");
}

TEST_F(NotificationManagerTest, OnlyFullAuthorizationPostsAndErrorsAreLogged) {
    for (NotificationAuthorizationStatus status :
         {NotificationAuthorizationStatus::Provisional, NotificationAuthorizationStatus::Denied,
          NotificationAuthorizationStatus::Ephemeral}) {
        center.settings.authorizationStatus = status;
        manager.showCombinedNotification(kBoth, zoom());
        loop.runPending();
    }
    EXPECT_TRUE(center.requests.empty());
    EXPECT_EQ(log.countStartingWith("❌ Notifications not authorized"), 3);

    center.settings.authorizationStatus = NotificationAuthorizationStatus::Authorized;
    center.addError = QString("server went away");
    settings.setValue("OstrelShowInactiveAlerts", true);
    manager.showCombinedNotification(kBoth, zoom());
    manager.showCombinedDeactivationNotification(kBoth, zoom());
    loop.runPending();
    EXPECT_TRUE(log.contains("❌ Error showing combined notification: server went away"));
    EXPECT_TRUE(
        log.contains("❌ Failed to show combined deactivation notification: server went away"));
}

TEST_F(NotificationManagerTest, AnExemptionCoversOnlyItsOwnDevice) {
    allowedApps.addApp("Zoom", "Microphone");
    manager.showCombinedNotification(kBoth, zoom());
    const NotificationRequest& request = onlyRequest();
    EXPECT_EQ(request.content.body, "Camera being accessed by Zoom (PID: 42)");
    EXPECT_EQ(request.content.userInfo.value("devices").toStringList(), QStringList{"Camera"});
    EXPECT_TRUE(
        log.contains("✅ App Zoom is in allowed list for Microphone - notifying for Camera only"));

    allowedApps.addApp("Zoom", "Camera");
    manager.showCombinedNotification(kBoth, zoom());
    settings.setValue("OstrelShowInactiveAlerts", true);
    manager.showCombinedDeactivationNotification(kBoth, zoom());
    loop.runPending();
    EXPECT_EQ(center.requests.size(), 1u);
    EXPECT_EQ(center.settingsQueries, 1);
    EXPECT_TRUE(
        log.contains("✅ App Zoom is in allowed list for every device - skipping notification"));
    EXPECT_TRUE(log.contains(
        "✅ App Zoom is in allowed list for every device - skipping deactivation notification"));
}

TEST_F(NotificationManagerTest, PermissionIsLoggedAndRequestedWhenOpen) {
    struct Case {
        NotificationAuthorizationStatus status;
        QString line;
    };
    const Case cases[] = {
        {NotificationAuthorizationStatus::Denied, "❌ Notification permission previously denied"},
        {NotificationAuthorizationStatus::Authorized, "✅ Notification permission already granted"},
        {NotificationAuthorizationStatus::Provisional,
         "⚠️ Notification permission is provisional"},
        {NotificationAuthorizationStatus::Ephemeral, "⏰ Notification permission is ephemeral"},
        {NotificationAuthorizationStatus(9), "❓ Unknown notification permission status"},
    };
    for (const Case& item : cases) {
        center.settings.authorizationStatus = item.status;
        manager.requestNotificationPermission();
        loop.runPending();
        EXPECT_EQ(log.lines().last(), item.line);
    }
    EXPECT_EQ(center.authorizationRequests, 0);

    log.clear();
    center.settings = {};
    manager.requestNotificationPermission();
    loop.runPending();
    EXPECT_EQ(log.lines(), (QStringList{"📱 Current notification authorization status: 0",
                                        "🔔 Requesting notification permission...",
                                        "✅ Notification permission granted: true",
                                        "📱 Final notification settings: 2", "📱 Alert setting: 0",
                                        "📱 Sound setting: 0"}));

    log.clear();
    center.settings = {};
    center.authorizationError = QString("no server");
    manager.requestNotificationPermission();
    loop.runPending();
    EXPECT_TRUE(log.contains("❌ Notification permission error: no server"));
    EXPECT_TRUE(log.contains("📱 Final notification settings: 0"));
}

TEST_F(NotificationManagerTest, ResponsesUseEveryDeviceOfTheNotification) {
    settings.setValue("OstrelShowInactiveAlerts", true);
    manager.showCombinedNotification(kBoth, zoom());
    loop.runPending();

    center.respond("ALLOW");
    EXPECT_TRUE(log.contains("✅ User allowed Zoom to access Camera and Microphone"));
    center.respond("ALLOW_ALWAYS");
    EXPECT_TRUE(log.contains("✅ User permanently allowed Zoom to access Camera and Microphone"));
    EXPECT_EQ(allowedApps.getAllowedApps().keys(), (QStringList{"Zoom_Camera", "Zoom_Microphone"}));
    center.respond("default");
    EXPECT_EQ(log.lines().last(), "📱 Default action or dismissal");

    manager.showCombinedDeactivationNotification({DeviceType::Microphone}, {43, "Slack", {}, {}});
    loop.runPending();
    center.respond("OK_DEACTIVATION");
    EXPECT_TRUE(log.contains("✅ User acknowledged deactivation of Microphone by Slack"));
    center.respond("VIEW_DETAILS");
    EXPECT_TRUE(log.contains("🔍 User requested details for deactivation of Microphone by Slack"));

    for (const QVariantMap& info :
         {QVariantMap{{"devices", QStringList{"Camera"}}},
          QVariantMap{{"processName", "Zoom"}, {"device", "Camera"}},
          QVariantMap{{"processName", "Zoom"}, {"devices", QStringList{"Webcam"}}}}) {
        log.clear();
        manager.didReceiveNotificationResponse({"ALLOW_ALWAYS", "x", info});
        EXPECT_EQ(log.lines(), (QStringList{"📱 User responded to notification: ALLOW_ALWAYS",
                                            "❌ Missing user info in notification response"}));
    }
    EXPECT_EQ(allowedApps.getAllowedApps().size(), 2);
}

TEST_F(NotificationManagerTest, AllowAlwaysNeverStoresARecordThatIsNoProgram) {
    manager.showCombinedNotification({DeviceType::Camera}, ProcessInfo::unknownProcess());
    manager.showCombinedNotification({DeviceType::Microphone},
                                     ProcessInfo::microphonePlaceholder());
    loop.runPending();
    ASSERT_EQ(center.requests.size(), 2u);
    for (const NotificationRequest& request : center.requests) {
        manager.didReceiveNotificationResponse(
            {"ALLOW_ALWAYS", request.identifier, request.content.userInfo});
    }
    EXPECT_TRUE(allowedApps.getAllowedApps().isEmpty());
    EXPECT_TRUE(log.contains(
        "⚠️ Not adding Unknown Process to the allowed list: it names no program (PID: -1)"));
    EXPECT_TRUE(log.contains("⚠️ Not adding Detecting microphone usage... to the allowed list: "
                             "it names no program (PID: -1)"));
    EXPECT_EQ(log.countStartingWith("✅ User permanently allowed"), 0);
}

TEST_F(NotificationManagerTest, BlockSuspendsTheProcessThatWasNotified) {
    manager.showCombinedNotification(kBoth, zoom());
    loop.runPending();
    center.respond("BLOCK");
    EXPECT_TRUE(log.contains("🚫 User blocked Zoom from accessing Camera and Microphone"));
    ASSERT_EQ(processes.calls.size(), 1u);
    EXPECT_EQ(processes.calls[0].signal, FakeProcessControl::Signal::Suspend);
    EXPECT_EQ(processes.calls[0].process, (ProcessIdentity{42, 777}));

    // Nothing is signalled for a record without a process, nor for a process that had ended
    // before the notification was shown (its identity is unknown).
    manager.showCombinedNotification({DeviceType::Camera}, ProcessInfo::unknownProcess());
    manager.showCombinedNotification({DeviceType::Camera}, ProcessInfo{55, "Gone", {}, {}});
    loop.runPending();
    ASSERT_EQ(center.requests.size(), 3u);
    for (size_t index : {1u, 2u}) {
        const NotificationRequest& request = center.requests[index];
        manager.didReceiveNotificationResponse(
            {"BLOCK", request.identifier, request.content.userInfo});
    }
    EXPECT_EQ(processes.calls.size(), 1u);
    EXPECT_TRUE(log.contains("❌ Cannot block Unknown Process: no process was named (PID: -1)"));
    EXPECT_TRUE(log.contains("❌ Cannot block Gone (PID: 55): the process had ended when the "
                             "notification was shown"));
}
