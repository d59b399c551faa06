#include "AdvancedFixture.h"

using namespace ostrel;

namespace {

QVariantMap highRisk(QVariant pid, QVariant name) {
    return {
        {"pid", pid}, {"name", name}, {"securityInfo", QVariant::fromValue(ProcessSecurityInfo{})}};
}

} // namespace

TEST_F(AdvancedTest, HistoryKeepsTheLastHundredRecords) {
    for (int i = 1; i <= 101; ++i) {
        monitor.deviceAccessChanged(DeviceType::Microphone, true,
                                    ProcessInfo{i, "recorder", std::nullopt, std::nullopt});
    }
    ASSERT_EQ(monitor.detectionHistory().size(), 100u);
    EXPECT_EQ(monitor.detectionHistory().front().processInfo->pid, 2);
    EXPECT_EQ(monitor.detectionHistory().back().processInfo->pid, 101);
    EXPECT_EQ(shell.records.size(), 101u); // every record reaches the shell
}

TEST_F(AdvancedTest, BriefAccessPatternNeedsThreeRecentOffRecords) {
    for (int i = 0; i < 4; ++i) {
        monitor.deviceAccessChanged(DeviceType::Camera, i % 2 == 0, std::nullopt);
        loop.advance(0.2);
    }
    EXPECT_EQ(postsOf("BriefAccessDetected"), 0);
    monitor.deviceAccessChanged(DeviceType::Camera, true, std::nullopt);
    loop.advance(0.2);
    monitor.deviceAccessChanged(DeviceType::Camera, false, std::nullopt);
    ASSERT_EQ(postsOf("BriefAccessDetected"), 1);
    const auto events = posted.back().userInfo.value("events").value<QList<DeviceAccessEvent>>();
    ASSERT_EQ(events.size(), 3);
    EXPECT_FALSE(events[0].isActive);
    EXPECT_TRUE(log.contains(
        "⚡ [AdvancedMonitor] Brief access pattern detected - possible stealth attempt"));

    // Two seconds later the old off records no longer count.
    loop.advance(2.0);
    monitor.deviceAccessChanged(DeviceType::Camera, false, std::nullopt);
    EXPECT_EQ(postsOf("BriefAccessDetected"), 1);
}

TEST_F(AdvancedTest, ComparisonRecordsAChangeThatStillHoldsAndStaysQuietWhenItEnds) {
    cameras.devices = {{"Camera", "/dev/video0", true, true}};
    applications.add({70, "VLC", "org.videolan.vlc", std::nullopt, false, true, {}});
    addProcess(70, "/usr/bin/vlc");
    monitor.startComprehensiveMonitoring();
    loop.advance(0.25); // the detector reports first
    ASSERT_EQ(shell.records.size(), 1u);
    EXPECT_EQ(monitor.detectionHistory().back().detectionMethod, DetectionMethod::AvFoundation);

    loop.advance(1.75); // the 2 s comparison adds its own record, named by its own lookup
    ASSERT_EQ(shell.records.size(), 2u);
    EXPECT_EQ(monitor.detectionHistory().back().detectionMethod, DetectionMethod::Comprehensive);
    EXPECT_EQ(shell.records[1].process->name, "VLC");

    cameras.devices = {{"Camera", "/dev/video0", false, true}};
    loop.advance(2.0);
    ASSERT_EQ(shell.records.size(), 4u);
    EXPECT_FALSE(shell.records[3].isActive);
    EXPECT_EQ(monitor.detectionHistory().back().detectionMethod, DetectionMethod::Comprehensive);
    // Only the detector's inactive record printed its lines.
    EXPECT_EQ(log.countStartingWith("   - Method: Comprehensive"), 1);
    EXPECT_EQ(log.countStartingWith("   - Method: AVFoundation"), 2);

    monitor.stopAdvancedMonitoring();
    EXPECT_EQ(loop.activeTimerCount(), 0);
}

TEST_F(AdvancedTest, ComparisonLookupIsCaseSensitiveAndMarksSuspiciousApps) {
    applications.add({60, "FaceTime", "com.apple.FaceTime", std::nullopt, true, true, {}});
    applications.add(
        {61, "VLC", "org.videolan.vlc", "/usr/share/applications/vlc.desktop", false, true, {}});
    addProcess(61, "/home/user/bin/vlc-nightly");
    processes.processBasics[61] = {"vlc-nightly", false};
    const ProcessInfo found = monitor.detectProcessUsingDevice();
    EXPECT_EQ(found.pid, 61);
    EXPECT_EQ(found.name, "Suspicious Process: VLC (PID: 61)");
    EXPECT_EQ(found.path, "/usr/share/applications/vlc.desktop");

    applications.applications.clear();
    EXPECT_EQ(monitor.detectProcessUsingDevice().name, "Unknown Process");
}

TEST_F(AdvancedTest, HighRiskProcessIsRecordedForTheDevicesItHolds) {
    // Where the system cannot name holders, both devices are recorded, named once with the pid.
    cameras.canTell = false;
    audio.canTell = false;
    notifications.post("HighRiskProcessDetected", highRisk(qint32(42), QString("game")));
    ASSERT_EQ(shell.records.size(), 2u);
    EXPECT_EQ(shell.records[0].device, DeviceType::Camera);
    EXPECT_EQ(shell.records[0].process->name, "Suspicious Process: game (PID: 42)");
    EXPECT_EQ(shell.records[0].process->bundleIdentifier, "suspicious.process.detected");
    EXPECT_EQ(shell.records[1].device, DeviceType::Microphone);
    notifications.post("HighRiskProcessDetected", highRisk(qint32(43), QString("tool (PID: 43)")));
    EXPECT_EQ(shell.records[2].process->name, "Suspicious Process: tool (PID: 43)");

    // Where it can, an unusual process that holds nothing is logged but not recorded...
    shell.records.clear();
    cameras.canTell = true;
    audio.canTell = true;
    log.clear();
    notifications.post("HighRiskProcessDetected", highRisk(qint32(44), QString("game")));
    EXPECT_TRUE(shell.records.empty());
    EXPECT_TRUE(log.contains("⚠️ [AdvancedMonitor] Suspicious process accessing devices"));
    // ...and one that records from the microphone is recorded for the microphone only.
    audio.holders = {44};
    notifications.post("HighRiskProcessDetected", highRisk(qint32(44), QString("game")));
    ASSERT_EQ(shell.records.size(), 1u);
    EXPECT_EQ(shell.records[0].device, DeviceType::Microphone);
}

TEST_F(AdvancedTest, NotificationsOfTheWrongShapeAreIgnored) {
    cameras.canTell = false;
    audio.canTell = false;
    notifications.post("HighRiskProcessDetected", highRisk(quint32(42), QString("game")));
    notifications.post("HighRiskProcessDetected", highRisk(qint32(42), QVariant()));
    notifications.post("HighRiskProcessDetected", {{"pid", qint32(42)}, {"name", "game"}});
    notifications.post("KernelDeviceActivityDetected",
                       {{"deviceID", qint32(34)}, {"isRunning", true}});
    notifications.post("KernelDeviceActivityDetected", {{"deviceID", quint32(34)}});
    notifications.post("DirectDeviceAccessDetected",
                       {{"pid", qint32(42)}, {"hasVideo", 1}, {"hasAudio", true}});
    notifications.post("DirectDeviceAccessDetected", {});
    EXPECT_TRUE(shell.records.empty());
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(AdvancedTest, KernelActivityIsACameraEventWhateverTheDeviceNumber) {
    notifications.post("KernelDeviceActivityDetected",
                       {{"deviceID", QVariant::fromValue<quint32>(33)}, {"isRunning", true}});
    ASSERT_EQ(shell.records.size(), 1u);
    EXPECT_EQ(shell.records[0].device, DeviceType::Camera);
    EXPECT_EQ(shell.records[0].process->name, "System-Level Device Access");
    EXPECT_EQ(shell.records[0].process->bundleIdentifier, "system.kernel.device");
    EXPECT_TRUE(log.contains("   - Device ID: 33"));
}

TEST_F(AdvancedTest, DirectAccessRunsTheLegitimacyTestsInOrder) {
    addProcess(50, "/opt/zoom/zoom");         // by name
    addProcess(51, "/usr/bin/arecord");       // by location
    addProcess(52, "/srv/tools/pipewire-x");  // by the security check (system component)
    addProcess(53, "/home/user/.cache/grab"); // by nothing
    auto direct = [&](qint32 pid, bool video, bool audio) {
        notifications.post("DirectDeviceAccessDetected",
                           {{"pid", pid}, {"hasVideo", video}, {"hasAudio", audio}});
    };
    direct(50, true, true);
    EXPECT_TRUE(log.contains("✅ [AdvancedMonitor] Process zoom recognized as legitimate app"));
    direct(51, true, false);
    EXPECT_TRUE(log.contains(
        "✅ [AdvancedMonitor] Process arecord from legitimate location: /usr/bin/arecord"));
    direct(52, false, true);
    EXPECT_TRUE(
        log.contains("✅ [AdvancedMonitor] Process pipewire-x passed security legitimacy check"));
    EXPECT_TRUE(shell.records.empty());

    direct(53, false, false); // both flags false: the lines, but no record
    EXPECT_TRUE(log.contains("🔍 [AdvancedMonitor] Unauthorized device access detected"));
    EXPECT_TRUE(shell.records.empty());
    direct(53, false, true);
    ASSERT_EQ(shell.records.size(), 1u);
    EXPECT_EQ(shell.records[0].device, DeviceType::Microphone);
    EXPECT_EQ(shell.records[0].process->name, "Unauthorized Access: grab (PID: 53)");
    EXPECT_EQ(monitor.detectionHistory().back().detectionMethod, DetectionMethod::FileDescriptor);
}
