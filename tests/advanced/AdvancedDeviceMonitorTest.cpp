#include "AdvancedFixture.h"
#include "advanced/SecurityKeywords.h"

using namespace ostrel;

TEST_F(AdvancedTest, HistoryKeepsTheLastHundredRecords) {
    for (int i = 1; i <= 101; ++i) {
        monitor.deviceAccessChanged(DeviceType::Microphone, true,
                                    ProcessInfo{i, "recorder", std::nullopt, std::nullopt});
    }
    ASSERT_EQ(monitor.detectionHistory().size(), 100u);
    EXPECT_EQ(monitor.detectionHistory().front().processInfo->pid, 2);
}

TEST_F(AdvancedTest, BriefAccessPatternNeedsThreeRecentOffRecords) {
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(brief.empty()) << i;
        monitor.deviceAccessChanged(DeviceType::Camera, i % 2 == 0, std::nullopt);
        loop.advance(0.2);
    }
    ASSERT_EQ(brief.size(), 1u);
    EXPECT_EQ(brief[0].events.size(), 3); // the off records

    // Two seconds after the last one, the old off records no longer count.
    loop.advance(1.8);
    monitor.deviceAccessChanged(DeviceType::Camera, false, std::nullopt);
    EXPECT_EQ(brief.size(), 1u);
}

TEST_F(AdvancedTest, ComparisonRecordsAChangeThatStillHoldsInItsOwnName) {
    cameras.devices = {{"Camera", "/dev/video0", true, true}};
    // Its own lookup matches identifiers in their letter case and marks unplaced programs.
    applications.add({60, "FaceTime", "com.apple.FaceTime", std::nullopt, true, true, {}});
    applications.add(
        {61, "VLC", "org.videolan.vlc", "/usr/share/applications/vlc.desktop", false, true, {}});
    addProcess(61, "/home/user/bin/vlc-nightly");
    processes.processBasics[61] = {"vlc-nightly", false};
    monitor.startComprehensiveMonitoring();
    loop.advance(0.25); // the detector reports first
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(monitor.detectionHistory().back().detectionMethod, DetectionMethod::AvFoundation);
    loop.advance(1.75); // then the 2 s comparison adds its own record
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(monitor.detectionHistory().back().detectionMethod, DetectionMethod::Comprehensive);
    EXPECT_EQ(records[1].processInfo->name, "Suspicious Process: VLC (PID: 61)");

    cameras.devices = {{"Camera", "/dev/video0", false, true}};
    loop.advance(2.0);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_FALSE(records[3].isActive);
    monitor.stopAdvancedMonitoring();
    EXPECT_EQ(loop.activeTimerCount(), 0);

    processes.executablePaths[61] = "/usr/bin/vlc";
    EXPECT_EQ(monitor.detectProcessUsingDevice().name, "VLC");
    applications.applications.clear();
    EXPECT_EQ(monitor.detectProcessUsingDevice().name, "Unknown Process");
}

TEST_F(AdvancedTest, HighRiskProcessIsRecordedForTheDevicesItHolds) {
    // Where the system cannot name holders, both devices are recorded, named once with the pid.
    cameras.canTell = audio.canTell = false;
    events.publish(HighRiskProcessDetected{42, "game", {}});
    events.publish(HighRiskProcessDetected{43, "tool (PID: 43)", {}});
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[1].device, DeviceType::Microphone);
    EXPECT_EQ(records[1].processInfo->name, "Suspicious Process: game (PID: 42)");
    EXPECT_EQ(records[3].processInfo->name, "Suspicious Process: tool (PID: 43)");

    // Where it can, only the devices the process really holds are recorded.
    records.clear();
    cameras.canTell = audio.canTell = true;
    events.publish(HighRiskProcessDetected{44, "game", {}});
    EXPECT_TRUE(records.empty());
    audio.holders = {44};
    events.publish(HighRiskProcessDetected{44, "game", {}});
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].device, DeviceType::Microphone);
}

TEST_F(AdvancedTest, DirectAccessRunsTheLegitimacyTestsInOrder) {
    addProcess(50, "/opt/zoom/zoom");         // by name
    addProcess(51, "/usr/bin/arecord");       // by location
    addProcess(52, "/srv/tools/pipewire-x");  // by the security check (system component)
    addProcess(53, "/home/user/.cache/grab"); // by nothing
    for (qint32 pid : {50, 51, 52}) {
        events.publish(DirectDeviceAccessDetected{pid, true, true});
    }
    EXPECT_TRUE(log.contains("✅ [AdvancedMonitor] Process zoom recognized as legitimate app"));
    EXPECT_TRUE(log.contains(
        "✅ [AdvancedMonitor] Process arecord from legitimate location: /usr/bin/arecord"));
    EXPECT_TRUE(
        log.contains("✅ [AdvancedMonitor] Process pipewire-x passed security legitimacy check"));
    EXPECT_TRUE(records.empty() && eventJournal.events.empty());

    events.publish(DirectDeviceAccessDetected{53, false, false}); // the lines, but no record
    EXPECT_TRUE(log.contains("🔍 [AdvancedMonitor] Unauthorized device access detected"));
    EXPECT_TRUE(records.empty());
    events.publish(DirectDeviceAccessDetected{53, false, true});
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].device, DeviceType::Microphone);
    EXPECT_EQ(records[0].processInfo->name, "Unauthorized Access: grab (PID: 53)");
    EXPECT_EQ(monitor.detectionHistory().back().detectionMethod, DetectionMethod::FileDescriptor);
    EXPECT_EQ(eventJournal.events.size(), 2u); // each unauthorized access is a journal finding
}

TEST(SecurityKeywords, ListsBuiltFromAnotherKeepTheirOwnEntries) {
    using namespace security;
    EXPECT_TRUE(knownMediaBundleIdentifiers().contains("com.tinyspeck.slackmacgap"));
    EXPECT_FALSE(knownMediaBundleIdentifiers().contains("org.mozilla.thunderbird"));
    EXPECT_TRUE(containsAny("finder", legitimateNameKeywords()));
    EXPECT_FALSE(containsAny("finder", knownAppKeywords()));
    EXPECT_TRUE(startsWithAny("/Library/Application Support/", legitimateLocations()));
    EXPECT_FALSE(startsWithAny("/Library/Application Support/", legitimatePathPrefixes()));
}
