#include "alerts/AlertBatching.h"
#include "alerts/AllowedAppsWindow.h"
#include "alerts/CheckboxAlertDialog.h"
#include "alerts/FileChooserDialog.h"
#include "support/CapturedLog.h"
#include "support/FakeAlertPresenter.h"
#include "support/FakeCheckboxAlertPresenter.h"
#include "support/FakeFileChooser.h"
#include "support/FakePlatform.h"
#include "ui/WidgetWindowController.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QUuid>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

const QList<DeviceType> kBoth{DeviceType::Camera, DeviceType::Microphone};

ProcessInfo process(qint32 pid, const QString& name) {
    return {pid, name, std::nullopt, std::nullopt};
}

class AlertsTest : public testing::Test, protected FakePlatform {
protected:
    AlertsTest() {
        userNotifications.delegate = &manager;
        processControl.startTimes[42] = 777;
        settings.setValue("OstrelShowInactiveAlerts", true);
    }

    static ProcessInfo zoom() { return {42, "Zoom", QString("us.zoom.xos"), std::nullopt}; }
    QStringList bodies() const {
        QStringList texts;
        for (const NotificationRequest& request : userNotifications.requests) {
            texts.append(request.content.body);
        }
        return texts;
    }

    QTemporaryDir root;
    QSettings settings{root.filePath("Ostrel.conf"), QSettings::IniFormat};
    QDateTime clock{QDate(2026, 1, 1), QTime(9, 0), Qt::UTC};
    AllowedAppsManager allowedApps{settings, [this] { return clock; }};
    SuspendedProcesses suspended{processControl};
    NotificationManager manager{userNotifications, allowedApps, suspended, settings, loop};
    CapturedLog log;
};
using AllowedAppsManagerTest = AlertsTest;
using NotificationManagerTest = AlertsTest;

class FakeShell final : public AlertBatchingHost {
public:
    bool isMonitoringActive() const override { return monitoring; }
    bool isCameraActive() const override { return camera; }
    bool isMicrophoneActive() const override { return microphone; }
    void updateStatusMenu(bool cameraActive, bool microphoneActive) override {
        statusUpdates.push_back({cameraActive, microphoneActive});
    }

    bool monitoring = true;
    bool camera = false, microphone = false; // the detector's accepted states
    std::vector<std::pair<bool, bool>> statusUpdates;
};

class AlertBatchingTest : public AlertsTest {
protected:
    AlertBatchingTest() { logger.startLogging(); }

    // The detector accepts a change: it updates its state, then reports.
    void detector(DeviceType device, bool isActive, const std::optional<ProcessInfo>& info) {
        (device == DeviceType::Camera ? shell.camera : shell.microphone) = isActive;
        batching.deviceAccessChanged(device, isActive, info);
    }
    // Any other source: the detector's state stays as it is.
    void finding(DeviceType device, bool isActive, const std::optional<ProcessInfo>& info) {
        batching.deviceAccessChanged(device, isActive, info);
    }
    void closeWindow() {
        loop.advance(AlertBatching::batchWindow);
        loop.runPending();
    }

    ActivityLogger logger{root.filePath("log"), root.filePath("Desktop"), loop, nullptr};
    FakeAlertPresenter alerts;
    FakeShell shell;
    AlertBatching batching{shell, loop, logger, manager, alerts};
};

const QString kCheesePath = QStringLiteral("/usr/share/applications/org.gnome.Cheese.desktop");

// The allowed applications window, with a chooser that picks Cheese's desktop file.
class AllowedAppsViewTest : public AlertsTest {
protected:
    AllowedAppsViewTest() {
        applicationDescriber.descriptions.insert(kCheesePath, {"org.gnome.Cheese", "Cheese"});
        chooser.choice = kCheesePath;
    }

    AllowedAppsViewEnvironment environment() {
        return {allowedApps, loop, chooser, applicationDescriber, deviceSelection, alerts};
    }
    AllowedAppsView& view() {
        if (!view_) {
            view_ = std::make_unique<AllowedAppsView>(environment());
            loop.runPending();
        }
        return *view_;
    }
    // Each row as "process|device".
    QStringList rows() {
        QStringList shown;
        const AllowedAppsTableModel& model = view().tableModel();
        for (int row = 0; row < model.rowCount(); ++row) {
            shown.append(model.index(row, AllowedAppsTableModel::ProcessColumn).data().toString() +
                         "|" +
                         model.index(row, AllowedAppsTableModel::DeviceColumn).data().toString());
        }
        return shown;
    }
    void clickRemove(int row) {
        QWidget* cell = view().tableView()->indexWidget(
            view().tableModel().index(row, AllowedAppsTableModel::ActionColumn));
        ASSERT_TRUE(cell && cell->findChild<QPushButton*>("removeButton"));
        cell->findChild<QPushButton*>("removeButton")->click();
        loop.runPending();
    }
    void addWithAnswers(std::initializer_list<CheckboxAlertAnswer> answers) {
        deviceSelection.answers.assign(answers.begin(), answers.end());
        view().addButton()->click();
        loop.runPending();
    }

    FakeFileChooser chooser;
    FakeCheckboxAlertPresenter deviceSelection;
    FakeAlertPresenter alerts;
    std::unique_ptr<AllowedAppsView> view_;
};

// Runs `act` on the modal dialog once it is open.
template <typename Dialog> void whenOpen(const std::function<void(Dialog&)>& act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

} // namespace

TEST_F(AllowedAppsManagerTest, NamesMatchLooselyIgnoringCaseAndBundlesExactlyWithTheirDevice) {
    allowedApps.addApp("Zoom", "Camera");
    allowedApps.addApp("org.gnome.Cheese", "Cheese", "Camera");
    AllowedApps apps = allowedApps.getAllowedApps();
    apps.insert("facetime_camera", {{"processName", "facetime"}, {"device", "camera"}});
    apps.insert("my_app_Microphone", {{"processName", "my_app"}, {"device", "Microphone"}});
    apps.insert("NoUnderscore", {{"processName", "NoUnderscore"}, {"device", "Camera"}});
    apps.insert("Google Chrome Helper_Camera", {{"processName", "x"}, {"device", "Camera"}});
    apps.insert("_Camera", {{"processName", ""}, {"device", "Camera"}});
    // Records with a wrong field type or no device never match the bundle rule.
    apps.insert("Other_Camera",
                {{"processName", "Other"}, {"bundleIdentifier", 7}, {"device", "Camera"}});
    apps.insert("Gadget_Camera", {{"processName", "Gadget"}, {"bundleIdentifier", "org.x.Gadget"}});
    allowedApps.saveAllowedApps(apps);

    // Each "identifier|name|device", "-" for no identifier; Chrome is part of a longer entry.
    const QStringList allowed =
        QStringLiteral("-|zoom.us|Camera -|FaceTime|Camera "
                       "-|my_app|Microphone -|Chrome|Camera -|cheese|Camera "
                       "org.gnome.Cheese|webcam-tool|Camera")
            .split(' ');
    const QStringList refused = QStringLiteral("-|zoom.us|Microphone -|NoUnderscore|Camera "
                                               "-|Slack|Camera -||Camera -|webcam-tool|Camera "
                                               "org.gnome.cheese|webcam-tool|Camera "
                                               "org.gnome.Cheese|webcam-tool|Microphone "
                                               "7|nothing|Camera org.x.Gadget|nothing|Camera")
                                    .split(' ');
    for (const QString& query : allowed + refused) {
        const QStringList part = query.split('|');
        const auto bundle = part[0] == "-" ? std::nullopt : std::optional<QString>(part[0]);
        EXPECT_EQ(allowedApps.isAppAllowed(bundle, part[1], part[2]), allowed.contains(query))
            << query.toStdString();
    }
}

TEST_F(AllowedAppsManagerTest, EntriesAreStoredOnDiskReplacedByKeyAndReadPastDamage) {
    allowedApps.addApp("Zoom", "Camera");
    clock = clock.addSecs(60);
    allowedApps.addApp("Zoom", "Camera");

    const AllowedApps apps = allowedApps.getAllowedApps();
    ASSERT_EQ(apps.keys(), QStringList{"Zoom_Camera"});
    EXPECT_EQ(apps.value("Zoom_Camera").value("dateAdded"), clock); // the later one

    // Saved at once: the file holds the list right after the call.
    QFile file(settings.fileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("OstrelAllowedApps"));

    // Damage is skipped and reported.
    settings.setValue(
        AllowedAppsManager::allowedAppsKey,
        QVariantMap{{"Zoom_Camera", QVariantMap{{"processName", "Zoom"}, {"device", "Camera"}}},
                    {"Broken_Camera", QString("not a record")}});
    EXPECT_EQ(allowedApps.getAllowedApps().keys(), QStringList{"Zoom_Camera"});
    EXPECT_TRUE(log.contains(
        "⚠️ [AllowedAppsManager] Skipping damaged allowed app entry: Broken_Camera"));
    allowedApps.addApp("Slack", "Microphone");
    EXPECT_EQ(allowedApps.getAllowedApps().keys(),
              (QStringList{"Slack_Microphone", "Zoom_Camera"}));

    settings.setValue(AllowedAppsManager::allowedAppsKey, QString("garbage"));
    EXPECT_TRUE(allowedApps.getAllowedApps().isEmpty());

    // A folder that cannot be created: its parent is a file.
    ASSERT_TRUE(QFile(root.filePath("blocker")).open(QIODevice::WriteOnly));
    QSettings unwritable(root.filePath("blocker/Ostrel.conf"), QSettings::IniFormat);
    AllowedAppsManager(unwritable).addApp("Zoom", "Camera");
    EXPECT_TRUE(log.contains("❌ [AllowedAppsManager] Allowed apps were not saved: the "
                             "preferences file cannot be written"));
}

TEST_F(NotificationManagerTest, NotificationsNameTheDevicesAndTheProcessExceptExemptDevices) {
    settings.remove("OstrelShowInactiveAlerts");
    manager.showCombinedNotification(kBoth, zoom());
    manager.showCombinedNotification({DeviceType::Camera}, ProcessInfo{9, "evil%3 %1", {}, {}});
    manager.showCombinedNotification({DeviceType::Microphone}, std::nullopt);
    manager.showCombinedDeactivationNotification({DeviceType::Camera}, zoom()); // off unless set
    loop.runPending();
    // Process names are printed as they are, even when they look like placeholders.
    EXPECT_EQ(bodies(), (QStringList{"Camera and Microphone being accessed by Zoom (PID: 42)",
                                     "Camera being accessed by evil%3 %1 (PID: 9)",
                                     "Microphone being accessed by an unknown process"}));
    const NotificationRequest& request = userNotifications.requests.at(0);
    const QString accessCategory = request.content.categoryIdentifier;
    EXPECT_FALSE(request.content.playsSound);
    // Every notification has an id of its own.
    EXPECT_FALSE(QUuid::fromString(request.identifier).isNull());
    EXPECT_NE(request.identifier, userNotifications.requests.at(1).identifier);
    EXPECT_EQ(userNotifications.requests.at(2).content.userInfo.value("processName"), "Unknown");
    EXPECT_EQ(userNotifications.requests.at(2).content.userInfo.value("processPID"), -1);
    // Each notification registers the one category it names.
    ASSERT_EQ(userNotifications.categories.size(), 1);
    EXPECT_EQ(userNotifications.categories[0].identifier, accessCategory);

    settings.setValue("OstrelShowInactiveAlerts", true);
    settings.setValue("OstrelSoundAlerts", true);
    manager.showCombinedNotification({DeviceType::Camera}, zoom());
    loop.advance(0.25);
    manager.showCombinedDeactivationNotification({DeviceType::Camera}, zoom());
    loop.advance(0.75);
    manager.showCombinedDeactivationNotification({DeviceType::Camera}, zoom());
    loop.runPending();
    EXPECT_TRUE(userNotifications.requests.at(3).content.playsSound);
    const NotificationRequest& stop = userNotifications.requests.at(4);
    EXPECT_EQ(stop.identifier, "combined_device_deactivation_1767225600.25");
    // A whole second writes a fraction all the same.
    EXPECT_EQ(userNotifications.requests.at(5).identifier,
              "combined_device_deactivation_1767225601.0");
    EXPECT_EQ(stop.content.body, "Camera access stopped");
    EXPECT_TRUE(stop.content.playsSound);
    ASSERT_EQ(userNotifications.categories.size(), 1);
    EXPECT_EQ(userNotifications.categories[0].identifier, stop.content.categoryIdentifier);
    EXPECT_NE(stop.content.categoryIdentifier, accessCategory);

    // An exemption covers only its own device; exempt from every device, nothing is posted.
    allowedApps.addApp("Zoom", "Microphone");
    manager.showCombinedNotification(kBoth, zoom());
    loop.runPending();
    EXPECT_EQ(userNotifications.requests.back().content.body,
              "Camera being accessed by Zoom (PID: 42)");
    EXPECT_EQ(userNotifications.requests.back().content.userInfo.value("devices"),
              QStringList{"Camera"});
    allowedApps.addApp("Zoom", "Camera");
    manager.showCombinedNotification(kBoth, zoom());
    manager.showCombinedDeactivationNotification(kBoth, zoom());
    loop.runPending();
    EXPECT_EQ(userNotifications.requests.size(), 7u);
}

TEST_F(NotificationManagerTest, PermissionIsAskedWhileOpenAndOnlyFullAuthorizationPosts) {
    for (NotificationAuthorizationStatus status :
         {NotificationAuthorizationStatus::Denied, NotificationAuthorizationStatus::Provisional,
          NotificationAuthorizationStatus::Ephemeral, NotificationAuthorizationStatus(9)}) {
        userNotifications.settings.authorizationStatus = status;
        manager.requestNotificationPermission();
        manager.showCombinedNotification(kBoth, zoom());
        loop.runPending();
    }
    EXPECT_TRUE(userNotifications.requests.empty());
    EXPECT_EQ(userNotifications.authorizationRequests, 0);
    // Nothing shows notifications at all: nobody denied anything, and the log says so.
    userNotifications.settings.authorizationStatus = NotificationAuthorizationStatus::Denied;
    userNotifications.settings.serverAvailable = false;
    manager.requestNotificationPermission();
    loop.runPending();
    EXPECT_EQ(log.countStartingWith("❌ Notification permission previously denied"), 1);
    EXPECT_TRUE(log.contains("⚠️ No notification server answers in this session: notifications "
                             "will show once one starts"));

    userNotifications.settings = {};
    userNotifications.authorizationError = QString("no server");
    manager.requestNotificationPermission();
    loop.runPending();
    EXPECT_EQ(userNotifications.authorizationRequests, 1);
    EXPECT_TRUE(log.contains("❌ Notification permission error: no server"));

    userNotifications.settings.authorizationStatus = NotificationAuthorizationStatus::Authorized;
    userNotifications.addError = QString("server went away");
    manager.requestNotificationPermission();
    manager.showCombinedNotification(kBoth, zoom());
    manager.showCombinedDeactivationNotification(kBoth, zoom());
    loop.runPending();
    EXPECT_EQ(userNotifications.authorizationRequests, 1);
    EXPECT_TRUE(log.contains("❌ Error showing combined notification: server went away"));
    EXPECT_TRUE(
        log.contains("❌ Failed to show combined deactivation notification: server went away"));
}

TEST_F(NotificationManagerTest, ResponsesActOnlyWhenAskedAndOnlyOnTheProgramThatWasNotified) {
    manager.showCombinedDeactivationNotification({DeviceType::Microphone}, {43, "Slack", {}, {}});
    loop.runPending();
    userNotifications.respond("VIEW_DETAILS");
    EXPECT_TRUE(log.contains("🔍 User requested details for deactivation of Microphone by Slack"));
    manager.showCombinedNotification(kBoth, zoom());
    loop.runPending();
    for (const char* action : {"ALLOW", "default", "OK_DEACTIVATION", "VIEW_DETAILS"}) {
        userNotifications.respond(action);
    }
    EXPECT_TRUE(log.contains("✅ User allowed Zoom to access Camera and Microphone"));
    EXPECT_TRUE(allowedApps.getAllowedApps().isEmpty());
    EXPECT_TRUE(processControl.calls.empty());
    // Block suspends through the shell's registry, where the dashboard sees it, and the
    // process control refuses what the session stands on.
    processControl.sessionCritical.insert(42);
    userNotifications.respond("BLOCK");
    EXPECT_TRUE(suspended.pids().isEmpty());
    processControl.sessionCritical.clear();
    userNotifications.respond("BLOCK");
    ASSERT_EQ(suspended.pids(), QList<qint32>{42});
    EXPECT_EQ(processControl.calls.back().process, (ProcessIdentity{42, 777}));
    EXPECT_EQ(suspended.entry(42)->devices, kBoth);
    userNotifications.respond("ALLOW_ALWAYS");
    EXPECT_EQ(allowedApps.getAllowedApps().keys(), (QStringList{"Zoom_Camera", "Zoom_Microphone"}));

    // Records without a pid name no program to allow or block; a process that had ended
    // before the notification was shown has no identity to block.
    for (const ProcessInfo& info :
         {ProcessInfo::unknownProcess(), ProcessInfo::microphonePlaceholder(),
          ProcessInfo{55, "Gone", {}, {}}}) {
        manager.showCombinedNotification({DeviceType::Camera}, info);
        loop.runPending();
        userNotifications.respond("BLOCK");
        userNotifications.respond("ALLOW_ALWAYS");
    }
    EXPECT_EQ(processControl.calls.size(), 2u);
    EXPECT_EQ(allowedApps.getAllowedApps().size(), 3); // Gone is a program

    // Damaged user info acts on nothing.
    for (const QVariantMap& info :
         {QVariantMap{{"devices", QStringList{"Camera"}}},
          QVariantMap{{"processName", "Zoom"}, {"device", "Camera"}},
          QVariantMap{{"processName", "Zoom"}, {"devices", QStringList{"Webcam"}}}}) {
        manager.didReceiveNotificationResponse({"ALLOW_ALWAYS", "x", info});
        EXPECT_EQ(log.lines().last(), "❌ Missing user info in notification response");
    }
    EXPECT_EQ(allowedApps.getAllowedApps().size(), 3);
}

TEST_F(AlertBatchingTest, ChangesOfOneProcessWithinTheWindowMakeOneNotification) {
    shell.monitoring = false; // nothing at all happens
    detector(DeviceType::Camera, true, process(42, "Zoom"));
    loop.runPending();
    EXPECT_TRUE(batching.lastNotifiedState().empty());
    EXPECT_TRUE(shell.statusUpdates.empty() && logger.logs().isEmpty());

    shell.monitoring = true;
    detector(DeviceType::Camera, true, process(42, "Zoom"));
    loop.advance(0.3);
    detector(DeviceType::Microphone, true, process(42, "Zoom"));
    loop.advance(0.4); // the window restarted with the second change
    EXPECT_TRUE(userNotifications.requests.empty());
    loop.advance(0.1);
    loop.runPending();

    EXPECT_EQ(bodies(), QStringList{"Camera and Microphone being accessed by Zoom (PID: 42)"});
    EXPECT_EQ(shell.statusUpdates,
              (std::vector<std::pair<bool, bool>>{{true, false}, {true, true}}));
    ASSERT_EQ(logger.logs().size(), 2);
    EXPECT_EQ(logger.logs()[1].processName, "Zoom");
    EXPECT_EQ(logger.logs()[1].processID, 42);
}

TEST_F(AlertBatchingTest, StartsAndStopsAreBatchedApartAndNeverHeldBackBeyondTwoSeconds) {
    detector(DeviceType::Camera, true, process(42, "Zoom"));
    detector(DeviceType::Microphone, false, process(42, "Zoom"));
    detector(DeviceType::Camera, false, std::nullopt);
    closeWindow();
    EXPECT_EQ(bodies(),
              (QStringList{"Camera access stopped", "Camera being accessed by Zoom (PID: 42)",
                           "Microphone access stopped"}));
    // A stop without a process is posted for "Unknown Process".
    EXPECT_EQ(userNotifications.requests.at(0).content.userInfo.value("processName"),
              "Unknown Process");
    EXPECT_EQ(userNotifications.requests.at(0).content.userInfo.value("processPID"), -1);
    EXPECT_EQ(logger.logs().size(), 3);

    // A stream of changes cannot hold a batch back beyond two seconds.
    for (int change = 0; change < 5; ++change) { // at 0, 0.4, 0.8, 1.2 and 1.6 s
        if (change > 0) {
            loop.advance(0.4);
        }
        detector(DeviceType::Camera, change % 2 == 0, process(42, "Zoom"));
    }
    loop.advance(0.3);
    EXPECT_EQ(bodies().size(), 3);
    loop.advance(0.1); // 2 s after the first change
    EXPECT_EQ(bodies().mid(3),
              (QStringList{"Camera being accessed by Zoom (PID: 42)", "Camera access stopped"}));
}

TEST_F(AlertBatchingTest, SecurityAlertsForSuspiciousButNotForKnownApplications) {
    alerts.choice = 1;
    finding(DeviceType::Microphone, true, process(12, "Suspicious Process: Foo (PID: 12)"));
    finding(DeviceType::Camera, true, process(77, "Unauthorized Access: zoom.us (PID: 77)"));
    closeWindow();
    EXPECT_EQ(userNotifications.requests.size(), 2u);
    ASSERT_EQ(alerts.alerts.size(), 1u);
    const AlertContent& alert = alerts.alerts.front();
    EXPECT_TRUE(alert.informativeText.startsWith(
        "A suspicious process has been detected accessing your Microphone.\n\n"
        "Suspicious Process: Foo (PID: 12)\n\n"));
    EXPECT_EQ(alert.buttons, (QStringList{"OK", "View Process Details"}));
    EXPECT_TRUE(log.contains("🔍 [AppDelegate] User requested process details for PID: 12"));

    EXPECT_TRUE(AlertBatching::isLegitimateApp("/usr/bin/arecord"));
    EXPECT_TRUE(AlertBatching::isLegitimateApp("System-Level Device Access"));
}

TEST_F(AlertBatchingTest, ABatchForBothDevicesRaisesOneAlertEvenWithoutNotifications) {
    userNotifications.settings.authorizationStatus = NotificationAuthorizationStatus::Denied;
    const ProcessInfo spy = process(5, "Unauthorized Access: spy (PID: 5)");
    finding(DeviceType::Microphone, true, spy);
    finding(DeviceType::Camera, true, spy);
    closeWindow();
    EXPECT_TRUE(userNotifications.requests.empty());
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_TRUE(alerts.alerts[0].informativeText.startsWith(
        "An unauthorized process is directly accessing your Camera.\n\n"));
    EXPECT_EQ(log.countStartingWith("🔍 [AppDelegate] User requested"), 0);
}

TEST_F(AlertBatchingTest, BatchesQueuedBehindAnOpenAlertWaitUntilItCloses) {
    QStringList postedWhileOpen;
    alerts.whileOpen = [&] {
        // The dialog's own event loop runs timers and queued work, and a new change arrives.
        detector(DeviceType::Microphone, true, process(42, "Zoom"));
        loop.advance(1.0);
        postedWhileOpen = bodies();
    };
    finding(DeviceType::Camera, true, process(12, "Suspicious Process: Foo (PID: 12)"));
    finding(DeviceType::Microphone, false, process(8, "Voice"));
    closeWindow();

    const QString suspicious =
        "Camera being accessed by Suspicious Process: Foo (PID: 12) (PID: 12)";
    EXPECT_EQ(postedWhileOpen, QStringList{suspicious});
    // Closed: the waiting batches ran, in order.
    EXPECT_EQ(bodies(), (QStringList{suspicious, "Microphone access stopped",
                                     "Microphone being accessed by Zoom (PID: 42)"}));
}

TEST_F(AlertBatchingTest, AClassifiedFindingOnAnActiveDeviceStillRaisesItsAlertOnce) {
    detector(DeviceType::Camera, true, process(42, "Zoom"));
    closeWindow();
    const ProcessInfo suspect = process(66, "Suspicious Process: grabber (PID: 66)");
    finding(DeviceType::Camera, true, suspect);
    finding(DeviceType::Camera, true, suspect);
    loop.runPending();
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_TRUE(alerts.alerts[0].informativeText.contains("accessing your Camera"));

    // Another device, another name, or the next accepted change of the device: checked again.
    finding(DeviceType::Microphone, true, process(42, "Zoom"));
    finding(DeviceType::Microphone, true, suspect);
    finding(DeviceType::Camera, true, process(67, "Suspicious Process: other (PID: 67)"));
    loop.runPending();
    EXPECT_EQ(alerts.alerts.size(), 3u);
    detector(DeviceType::Camera, false, process(42, "Zoom"));
    detector(DeviceType::Camera, true, process(42, "Zoom"));
    finding(DeviceType::Camera, true, suspect);
    closeWindow();
    EXPECT_EQ(alerts.alerts.size(), 4u);
}

TEST_F(AlertBatchingTest, TheDetectorsReportIsNeverADuplicateOfAFindingThatCameFirst) {
    finding(DeviceType::Camera, true,
            ProcessInfo{-1, "System-Level Device Access", QString("system.kernel.device"), {}});
    loop.advance(0.1);
    detector(DeviceType::Camera, true, process(42, "Zoom"));
    // Any other process on the active device is a duplicate: not notified, not logged, but
    // the status menu is refreshed. A finding without a pid shows none.
    finding(DeviceType::Camera, true, process(43, "Cheese"));
    closeWindow();
    EXPECT_EQ(bodies(), (QStringList{"Camera being accessed by System-Level Device Access",
                                     "Camera being accessed by Zoom (PID: 42)"}));
    EXPECT_EQ(logger.logs().size(), 2);
    EXPECT_EQ(shell.statusUpdates.size(), 3u);

    // The same for stopping: the finding's stop first, then the detector's.
    finding(DeviceType::Camera, false, ProcessInfo{-1, "System-Level Device Access", {}, {}});
    detector(DeviceType::Camera, false, process(42, "Zoom"));
    closeWindow();
    EXPECT_EQ(bodies().size(), 4);
    EXPECT_EQ(logger.logs().size(), 4);
}

TEST_F(AllowedAppsViewTest, AddingAsksForTheDevicesUntilOneIsTickedOrTheUserCancels) {
    view();
    allowedApps.addApp("Zoom", "Camera"); // an "Allow Always" answer elsewhere
    EXPECT_TRUE(rows().isEmpty());        // the table is a snapshot taken here

    chooser.choice.reset();
    view().addButton()->click();
    EXPECT_TRUE(deviceSelection.shown.empty());
    chooser.choice = kCheesePath;
    addWithAnswers({{1, {true, true}}}); // "Cancel"
    addWithAnswers({{std::nullopt, {true, false}}});
    EXPECT_TRUE(rows().isEmpty());

    addWithAnswers({{0, {false, false}}, {0, {true, true}}});
    EXPECT_EQ(chooser.requests.at(0).startFolder, "/usr/share/applications");
    EXPECT_EQ(chooser.requests.at(0).nameFilters, (QStringList{"Applications (*.desktop)"}));
    const auto& shown = deviceSelection.shown.at(0);
    EXPECT_EQ(shown.alert.title, "Allow Cheese to access:");
    EXPECT_EQ(shown.alert.buttons, (QStringList{"Add", "Cancel"}));
    EXPECT_EQ(shown.checkboxTitles, (QStringList{"Camera", "Microphone"}));
    EXPECT_TRUE(alerts.alerts.at(0).informativeText.endsWith("to allow access for Cheese."));

    EXPECT_EQ(rows(), (QStringList{"Cheese|Camera", "Cheese|Microphone", "Zoom|Camera"}));
    for (const char* device : {"Camera", "Microphone"}) { // each entry carries the identifier
        EXPECT_TRUE(allowedApps.isAppAllowed(QString("org.gnome.Cheese"), "webcam", device));
    }
    EXPECT_EQ(view().tableModel().index(0, AllowedAppsTableModel::DateColumn).data().toString(),
              QLocale().toString(clock.toLocalTime(), QLocale::ShortFormat));

    // Without an identifier the application is added by name.
    chooser.choice = "/home/user/Tools/my-tool.sh";
    addWithAnswers({{0, {true, false}}});
    EXPECT_TRUE(allowedApps.isAppAllowed("my-tool", "Camera"));
    EXPECT_FALSE(allowedApps.getAllowedApps().value("my-tool_Camera").contains("bundleIdentifier"));
}

TEST_F(AllowedAppsViewTest, EveryRowCanBeRemovedEvenWhenItsRecordDoesNotSpellItsKey) {
    allowedApps.saveAllowedApps({
        {"zoom_camera", {{"processName", "Zoom"}, {"device", "Camera"}}},
        {"Skype_Microphone", {{"processName", "Skype"}}},
        {"Skype_Camera", {{"processName", "Skype"}, {"device", "Camera"}}},
        {"Odd_Camera", {{"processName", 42}, {"device", "Camera"}, {"dateAdded", "yesterday"}}},
    });
    ASSERT_TRUE(allowedApps.isAppAllowed("Skype", "Microphone"));
    EXPECT_EQ(rows(),
              (QStringList{"Unknown|Camera", "Skype|Camera", "Skype|Unknown", "Zoom|Camera"}));
    EXPECT_EQ(view().tableModel().index(0, AllowedAppsTableModel::DateColumn).data().toString(),
              "Unknown");

    // One of two devices goes, the other stays.
    clickRemove(2);
    EXPECT_EQ(rows(), (QStringList{"Unknown|Camera", "Skype|Camera", "Zoom|Camera"}));
    EXPECT_FALSE(allowedApps.isAppAllowed("Skype", "Microphone"));
    EXPECT_TRUE(allowedApps.isAppAllowed("Skype", "Camera"));

    for (int row : {2, 1, 0}) {
        clickRemove(row);
    }
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_TRUE(allowedApps.getAllowedApps().isEmpty());
    // Rows outside the table are ignored.
    view().removeApp(-1);
    view().removeApp(5);
}

TEST_F(AllowedAppsViewTest, WindowIsANewOneEachTime) {
    auto first = makeAllowedAppsWindowController(environment());
    auto second = makeAllowedAppsWindowController(environment());
    first->showWindow();
    second->showWindow();
    QWidget* one = dynamic_cast<WidgetWindowController&>(*first).window();
    QWidget* other = dynamic_cast<WidgetWindowController&>(*second).window();
    EXPECT_NE(one, other);
    EXPECT_TRUE(one->isVisible() && one->findChild<AllowedAppsView*>());
    EXPECT_TRUE(other->isVisible() && other->findChild<AllowedAppsView*>());
}

TEST(CheckboxAlertDialogTest, AnswersTheButtonAndTheTickedBoxesInPlainText) {
    CheckboxAlertDialog presenter;
    const AlertContent selection{
        AlertStyle::Informational, "Allow <b>Cheese</b> to access:", "Pick.", {"Add", "Cancel"}};
    const QStringList devices{"Camera", "Microphone"};
    QStringList boxes;
    Qt::TextFormat titleFormat = Qt::AutoText;
    whenOpen<QDialog>([&](QDialog& dialog) {
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            titleFormat = label->text() == selection.title ? label->textFormat() : titleFormat;
        }
        for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
            boxes.append(box->text() + (box->isChecked() ? " (ticked)" : ""));
            box->setChecked(box->text() == "Microphone");
        }
        for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
            if (button->text() == "Add") {
                EXPECT_TRUE(button->isDefault());
                button->click();
            }
        }
    });
    const CheckboxAlertAnswer answer = presenter.runModal(selection, devices);
    EXPECT_EQ(boxes, devices);
    EXPECT_EQ(titleFormat, Qt::PlainText);
    EXPECT_EQ(answer.button, std::optional<int>(0));
    EXPECT_EQ(answer.checked, (QList<bool>{false, true}));

    whenOpen<QDialog>([](QDialog& dialog) { dialog.findChildren<QPushButton*>().at(1)->click(); });
    EXPECT_EQ(presenter.runModal(selection, devices).button, std::optional<int>(1));
    // Closed without a button (Escape, the window's close button).
    whenOpen<QDialog>([](QDialog& dialog) { dialog.reject(); });
    EXPECT_EQ(presenter.runModal(selection, devices).button, std::nullopt);
}

TEST(FileChooserDialogTest, ReturnsTheChosenFileOrNothing) {
    QTemporaryDir root;
    const QString target = root.filePath("org.gnome.Cheese.desktop");
    QFile(target).open(QIODevice::WriteOnly);
    const QString link = root.filePath("cheese-link.desktop");
    ASSERT_TRUE(QFile::link(target, link));

    FileChooserDialog chooser;
    const FileChooserRequest request{
        "Select Application to Allow", root.path(), {"Applications (*.desktop)"}};
    whenOpen<QFileDialog>([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), request.title);
        EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog.nameFilters(), request.nameFilters);
        EXPECT_EQ(dialog.directory().absolutePath(), root.path());
        dialog.selectFile(link);
        QMetaObject::invokeMethod(&dialog, "accept");
    });
    // A link stays the path the user chose: the desktop-file id comes from it.
    EXPECT_EQ(chooser.chooseFile(request), std::optional<QString>(link));

    whenOpen<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_EQ(chooser.chooseFile(request), std::nullopt);
}
