#include "alerts/AlertBatching.h"

#include "support/CapturedLog.h"
#include "support/FakeAlertPresenter.h"
#include "support/FakeProcessControl.h"
#include "support/FakeUserNotificationCenter.h"
#include "support/ManualRunLoop.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

class FakeShell final : public AlertBatchingHost {
public:
    bool isMonitoringActive() const override { return monitoring; }
    bool isCameraActive() const override { return camera; }
    bool isMicrophoneActive() const override { return microphone; }
    void updateStatusMenu(bool cameraActive, bool microphoneActive) override {
        statusUpdates.push_back({cameraActive, microphoneActive});
    }

    bool monitoring = true;
    bool camera = false; // the detector's accepted states
    bool microphone = false;
    std::vector<std::pair<bool, bool>> statusUpdates;
};

ProcessInfo process(qint32 pid, const QString& name) {
    return {pid, name, std::nullopt, std::nullopt};
}

class AlertBatchingTest : public testing::Test {
protected:
    AlertBatchingTest() {
        center.delegate = &manager;
        settings.setValue("OstrelShowInactiveAlerts", true);
        logger.startLogging();
        loop.runPending();
        log.clear();
    }

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
    QStringList bodies() const {
        QStringList texts;
        for (const NotificationRequest& request : center.requests) {
            texts.append(request.content.body);
        }
        return texts;
    }

    QTemporaryDir root;
    QSettings settings{root.filePath("Ostrel.conf"), QSettings::IniFormat};
    ManualRunLoop loop;
    CapturedLog log;
    ActivityLogger logger{root.filePath("log"), root.filePath("Desktop"), loop, nullptr};
    AllowedAppsManager allowedApps{settings};
    FakeUserNotificationCenter center{loop};
    FakeProcessControl processes;
    NotificationManager manager{center, allowedApps, processes, settings, loop};
    FakeAlertPresenter alerts;
    FakeShell shell;
    AlertBatching batching{shell, loop, logger, manager, alerts};
};

} // namespace

TEST_F(AlertBatchingTest, ChangesOfOneProcessWithinTheWindowMakeOneNotification) {
    detector(DeviceType::Camera, true, process(42, "Zoom"));
    loop.advance(0.3);
    detector(DeviceType::Microphone, true, process(42, "Zoom"));
    loop.advance(0.4); // the window restarted with the second change
    EXPECT_TRUE(center.requests.empty());
    EXPECT_TRUE(batching.isBatchWindowOpen());
    loop.advance(0.1);
    loop.runPending();

    EXPECT_EQ(bodies(), QStringList{"Camera and Microphone being accessed by Zoom (PID: 42)"});
    EXPECT_TRUE(batching.pendingNotifications().isEmpty());
    EXPECT_TRUE(log.contains("🎯 [AppDelegate] Device access changed: Camera - Active: true - "
                             "Process: Zoom"));
    EXPECT_TRUE(log.contains("🆕 [AppDelegate] New notification batch started for: Zoom"));
    EXPECT_TRUE(log.contains("📦 [AppDelegate] Batching notification: Zoom now using Camera, "
                             "Microphone"));
    EXPECT_TRUE(log.contains("📬 [AppDelegate] Processing 1 batched notifications..."));
    EXPECT_TRUE(log.contains("📱 [AppDelegate] Process: Zoom (PID: 42)"));
    EXPECT_TRUE(log.contains("🔔 [AppDelegate] Triggering batched notification for devices: "
                             "Camera, Microphone"));
    EXPECT_TRUE(log.contains("📊 [AppDelegate] Current status - Camera: true, Mic: true"));
    EXPECT_EQ(shell.statusUpdates,
              (std::vector<std::pair<bool, bool>>{{true, false}, {true, true}}));
    ASSERT_EQ(logger.logs().size(), 2);
    EXPECT_EQ(logger.logs()[1].processName, "Zoom");
    EXPECT_EQ(logger.logs()[1].processID, 42);
    EXPECT_TRUE(alerts.alerts.empty());
}

TEST_F(AlertBatchingTest, ASecondProcessOnAnActiveDeviceIsADuplicate) {
    detector(DeviceType::Camera, true, process(42, "Zoom"));
    finding(DeviceType::Camera, true, process(43, "Cheese"));
    closeWindow();
    EXPECT_EQ(bodies(), QStringList{"Camera being accessed by Zoom (PID: 42)"});
    EXPECT_TRUE(log.contains("🚫 [AppDelegate] Suppressing duplicate notification for Camera – "
                             "state unchanged (active)"));
    EXPECT_EQ(logger.logs().size(), 1);
    // The duplicate still refreshes the status menu.
    EXPECT_EQ(shell.statusUpdates.size(), 2u);
}

TEST_F(AlertBatchingTest, StartsAndStopsAreBatchedApart) {
    detector(DeviceType::Camera, true, process(42, "Zoom"));
    detector(DeviceType::Microphone, false, process(42, "Zoom"));
    detector(DeviceType::Camera, false, std::nullopt);
    closeWindow();
    EXPECT_TRUE(log.contains("📬 [AppDelegate] Processing 3 batched notifications..."));
    EXPECT_TRUE(log.contains("🆕 [AppDelegate] New notification batch started for: Unknown"));
    EXPECT_TRUE(log.contains("📴 [AppDelegate] Devices became inactive: Microphone"));
    EXPECT_EQ(bodies(),
              (QStringList{"Camera access stopped", "Camera being accessed by Zoom (PID: 42)",
                           "Microphone access stopped"}));
    // A stop without a process is posted for "Unknown Process".
    const QVariantMap& unknown = center.requests.front().content.userInfo;
    EXPECT_EQ(unknown.value("processName"), QVariant("Unknown Process"));
    EXPECT_EQ(unknown.value("processPID"), QVariant(qint32(-1)));
    EXPECT_EQ(logger.logs().size(), 3);
}

TEST_F(AlertBatchingTest, NothingHappensWhileMonitoringIsOff) {
    shell.monitoring = false;
    const int timers = loop.activeTimerCount();
    detector(DeviceType::Camera, true, process(42, "Zoom"));
    EXPECT_EQ(loop.activeTimerCount(), timers);
    closeWindow();
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_TRUE(batching.lastNotifiedState().empty());
    EXPECT_TRUE(shell.statusUpdates.empty());
    EXPECT_TRUE(logger.logs().isEmpty());
}

TEST_F(AlertBatchingTest, SecurityAlertsForSuspiciousButNotForKnownApplications) {
    alerts.choice = 1;
    finding(DeviceType::Microphone, true, process(12, "Suspicious Process: Foo (PID: 12)"));
    finding(DeviceType::Camera, true, process(77, "Unauthorized Access: zoom.us (PID: 77)"));
    closeWindow();

    EXPECT_TRUE(log.contains("⚠️ [AppDelegate] SUSPICIOUS PROCESS DETECTED!"));
    EXPECT_TRUE(log.contains("🔍 [AppDelegate] UNAUTHORIZED DEVICE ACCESS DETECTED!"));
    EXPECT_EQ(center.requests.size(), 2u);
    ASSERT_EQ(alerts.alerts.size(), 1u);
    const AlertContent& alert = alerts.alerts.front();
    EXPECT_EQ(alert.style, AlertStyle::Critical);
    EXPECT_EQ(alert.title, "⚠️ Suspicious Activity Detected");
    EXPECT_EQ(alert.informativeText,
              "A suspicious process has been detected accessing your Microphone.\n\n"
              "Suspicious Process: Foo (PID: 12)\n\nThis may be malware or spyware attempting to "
              "monitor you. Consider investigating this process.");
    EXPECT_EQ(alert.buttons, (QStringList{"OK", "View Process Details"}));
    EXPECT_TRUE(log.contains("🔍 [AppDelegate] User requested process details for PID: 12"));

    EXPECT_TRUE(AlertBatching::isLegitimateApp("/usr/bin/arecord"));
    EXPECT_TRUE(AlertBatching::isLegitimateApp("System-Level Device Access"));
    EXPECT_FALSE(AlertBatching::isLegitimateApp("Unauthorized Access: spy (PID: 5)"));
}

TEST_F(AlertBatchingTest, ABatchForBothDevicesRaisesOneAlertEvenWithoutNotifications) {
    center.settings.authorizationStatus = NotificationAuthorizationStatus::Denied;
    const ProcessInfo spy = process(5, "Unauthorized Access: spy (PID: 5)");
    finding(DeviceType::Microphone, true, spy);
    finding(DeviceType::Camera, true, spy);
    closeWindow();
    EXPECT_TRUE(center.requests.empty());
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].title, "🚨 Unauthorized Device Access");
    EXPECT_TRUE(alerts.alerts[0].informativeText.startsWith(
        "An unauthorized process is directly accessing your Camera.\n\n"));
    EXPECT_EQ(log.countStartingWith("🔍 [AppDelegate] User requested"), 0);
}

TEST_F(AlertBatchingTest, BatchesQueuedBehindAnOpenAlertWaitUntilItCloses) {
    QStringList seenWhileOpen;
    alerts.whileOpen = [&] {
        // The dialog's own event loop runs timers and queued work, and a new change arrives.
        detector(DeviceType::Microphone, true, process(42, "Zoom"));
        loop.advance(1.0);
        seenWhileOpen = log.lines();
    };
    finding(DeviceType::Camera, true, process(12, "Suspicious Process: Foo (PID: 12)"));
    finding(DeviceType::Microphone, false, process(8, "Voice"));
    closeWindow();

    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_FALSE(seenWhileOpen.contains("📴 [AppDelegate] Devices became inactive: Microphone"));
    EXPECT_TRUE(seenWhileOpen.contains("📬 [AppDelegate] Processing 1 batched notifications..."));
    EXPECT_FALSE(seenWhileOpen.contains("📱 [AppDelegate] Process: Zoom (PID: 42)"));
    // Closed: the waiting handlers ran, in order.
    const QStringList lines = log.lines();
    const qsizetype inactive = lines.indexOf("📴 [AppDelegate] Devices became inactive: Microphone");
    const qsizetype zoom = lines.indexOf("📱 [AppDelegate] Process: Zoom (PID: 42)");
    EXPECT_GE(inactive, seenWhileOpen.size());
    EXPECT_GT(zoom, inactive);
}

TEST_F(AlertBatchingTest, AStreamOfChangesCannotHoldABatchBackBeyondTwoSeconds) {
    for (int change = 0; change < 5; ++change) { // at 0, 0.4, 0.8, 1.2 and 1.6 s
        if (change > 0) {
            loop.advance(0.4);
        }
        detector(DeviceType::Camera, change % 2 == 0, process(42, "Zoom"));
    }
    loop.advance(0.3);
    EXPECT_EQ(log.countStartingWith("📬"), 0);
    loop.advance(0.1); // 2 s after the first change
    EXPECT_TRUE(log.contains("📬 [AppDelegate] Processing 2 batched notifications..."));
    EXPECT_EQ(bodies(),
              (QStringList{"Camera being accessed by Zoom (PID: 42)", "Camera access stopped"}));
}

TEST_F(AlertBatchingTest, AClassifiedFindingOnAnActiveDeviceStillRaisesItsAlertOnce) {
    detector(DeviceType::Camera, true, process(42, "Zoom"));
    closeWindow();
    const ProcessInfo suspect = process(66, "Suspicious Process: grabber (PID: 66)");
    finding(DeviceType::Camera, true, suspect);
    loop.runPending();
    finding(DeviceType::Camera, true, suspect);
    loop.runPending();
    EXPECT_EQ(log.countStartingWith("🚫 [AppDelegate] Suppressing duplicate"), 2);
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_TRUE(alerts.alerts[0].informativeText.contains("accessing your Camera"));
    EXPECT_EQ(center.requests.size(), 1u); // duplicates are still not notified

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
    // The advanced monitor's comparison repeats the detector's state: a duplicate.
    finding(DeviceType::Camera, true, process(42, "Zoom"));
    closeWindow();
    EXPECT_EQ(log.countStartingWith("🚫 [AppDelegate] Suppressing duplicate"), 1);
    EXPECT_EQ(bodies(),
              (QStringList{"Camera being accessed by System-Level Device Access (PID: -1)",
                           "Camera being accessed by Zoom (PID: 42)"}));

    // The same for stopping: the finding's stop first, then the detector's.
    finding(DeviceType::Camera, false, ProcessInfo{-1, "System-Level Device Access", {}, {}});
    detector(DeviceType::Camera, false, process(42, "Zoom"));
    closeWindow();
    EXPECT_EQ(bodies().size(), 4);
    EXPECT_EQ(logger.logs().size(), 4);
}
