#include "AdvancedFixture.h"

using namespace ostrel;

namespace {

QVariantMap directAccess(qint32 pid, bool video, bool audio) {
    return {{"pid", pid}, {"hasVideo", video}, {"hasAudio", audio}};
}

} // namespace

TEST_F(AdvancedTest, DescriptorGuessNeedsMoreThanTwentyWhenHoldersAreUnknown) {
    cameras.canTell = false;
    audio.canTell = false;
    ProcessTracker& tracker = monitor.processTracker();
    addProcess(30, "/Applications/zoom.us", 20);
    addProcess(31, "/Applications/zoom.us", 21);
    addProcess(32, "/Library/CoreAudio/helper", 21);
    tracker.analyzeFileDescriptors(30);
    EXPECT_TRUE(posted.empty());
    tracker.analyzeFileDescriptors(31);
    tracker.analyzeFileDescriptors(32);
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].userInfo, directAccess(31, true, true));
    EXPECT_EQ(posted[1].userInfo, directAccess(32, false, true));

    // A temporary location is suspicious, but names and paths say nothing of devices.
    addProcess(33, "/tmp/x", 25);
    tracker.sweepForBriefAccess();
    EXPECT_EQ(posted.size(), 2u);
    EXPECT_TRUE(tracker.isSuspiciousProcess({33, "x", "/tmp/x"}));
}

TEST_F(AdvancedTest, HolderEvidenceDecidesAndIsReportedOncePerFinding) {
    ProcessTracker& tracker = monitor.processTracker();
    addProcess(40, "/home/user/.cache/spy-helper", 3); // few descriptors, suspicious name
    audio.holders = {40};
    tracker.sweepForBriefAccess();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].userInfo, directAccess(40, false, true));
    ASSERT_EQ(shell.records.size(), 1u);
    EXPECT_EQ(shell.records[0].device, DeviceType::Microphone);
    EXPECT_EQ(shell.records[0].process->name, "Unauthorized Access: spy-helper (PID: 40)");

    // The same finding is not reported again at the next sweeps...
    tracker.sweepForBriefAccess();
    tracker.sweepForBriefAccess();
    EXPECT_EQ(posted.size(), 1u);
    // ...but a change of what it holds is.
    cameras.holders = {40};
    tracker.sweepForBriefAccess();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[1].userInfo, directAccess(40, true, true));

    // A new process under the same pid is reported afresh.
    processes.pids.clear();
    tracker.sweepForBriefAccess();
    addProcess(40, "/home/user/.cache/spy-helper", 3);
    tracker.sweepForBriefAccess();
    EXPECT_EQ(posted.size(), 3u);

    // A suspicious process that holds nothing is not reported, whatever its descriptors.
    addProcess(41, "/tmp/keylogger-zoom", 80);
    tracker.sweepForBriefAccess();
    EXPECT_EQ(posted.size(), 3u);
    EXPECT_FALSE(tracker.likelyUsesCamera(41));
}

TEST_F(AdvancedTest, PathAndMemoryChecksLogTheirFindings) {
    ProcessTracker& tracker = monitor.processTracker();
    addProcess(50, "/private/var/folders/x/tool");
    addProcess(51, "relative/tool");
    processes.figures[50].virtualSize = 10ull * 1024 * 1024 * 1024;
    processes.figures[51].virtualSize = 10ull * 1024 * 1024 * 1024 + 512ull * 1024 * 1024;

    tracker.checkProcessPath(50);
    EXPECT_TRUE(log.contains("⚠️ [ProcessTracker] Process 50 running from unusual location: "
                             "/private/var/folders/x/tool"));
    EXPECT_EQ(log.countStartingWith("⚠️ [ProcessTracker] Process 50 has suspicious path"), 0);
    tracker.checkProcessPath(51);
    EXPECT_TRUE(
        log.contains("⚠️ [ProcessTracker] Process 51 has suspicious path: relative/tool"));
    log.clear();
    tracker.checkProcessPath(52);
    EXPECT_EQ(log.lines(),
              QStringList{"⚠️ [ProcessTracker] Process 52 has no accessible path"});

    log.clear();
    tracker.checkMemoryUsage(50);
    EXPECT_TRUE(log.lines().isEmpty());
    tracker.checkMemoryUsage(51);
    EXPECT_TRUE(log.contains(
        "⚠️ [ProcessTracker] Process 51 has unusually high virtual memory: 10.50GB"));
}

TEST_F(AdvancedTest, LaunchesAreHandledOnlyWhileTracking) {
    ProcessTracker& tracker = monitor.processTracker();
    addProcess(60, "/usr/bin/cheese");
    addProcess(61, "/home/user/Games/game");
    const RunningApplicationRef cheese =
        applications.add({60, "Cheese", "org.gnome.Cheese", std::nullopt, false, true, {}});
    const RunningApplicationRef game =
        applications.add({61, std::nullopt, "org.example.Game", std::nullopt, false, true, {}});
    auto launch = [&](const RunningApplicationRef& application) {
        applications.observers.notify([&](RunningApplicationsObserver& observer) {
            observer.applicationLaunched(application);
        });
    };

    launch(game);
    EXPECT_TRUE(log.lines().isEmpty());

    tracker.startTracking();
    tracker.startTracking(); // a restart does not double the subscription
    launch(cheese);
    EXPECT_TRUE(log.contains("🚀 [ProcessTracker] Application launched: Cheese (PID: 60)"));
    EXPECT_EQ(postsOf("HighRiskProcessDetected"), 0);
    launch(game);
    EXPECT_EQ(log.countStartingWith("🚀 [ProcessTracker] Application launched: Unknown (PID: 61)"),
              1);
    ASSERT_EQ(postsOf("HighRiskProcessDetected"), 1);
    EXPECT_EQ(posted.back().userInfo.value("name").toString(), "Unknown");
    // It holds nothing: logged and posted, but no access record.
    EXPECT_TRUE(shell.records.empty());

    tracker.startBriefAccessDetection();
    tracker.stopTracking();
    log.clear();
    launch(game);
    loop.advance(10);
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(AdvancedTest, ScanLooksOnlyAtNewProcesses) {
    ProcessTracker& tracker = monitor.processTracker();
    addProcess(70, "/home/user/screencap");
    tracker.startTracking();
    loop.advance(3.0);
    EXPECT_EQ(log.countStartingWith("🚨 [ProcessTracker] Suspicious process detected:"), 1);
    loop.advance(3.0);
    EXPECT_EQ(log.countStartingWith("🚨 [ProcessTracker] Suspicious process detected:"), 1);
    addProcess(71, "/tmp/tool");
    loop.advance(3.0);
    EXPECT_EQ(log.countStartingWith("🚨 [ProcessTracker] Suspicious process detected:"), 2);
    EXPECT_TRUE(log.contains("   - Path: /tmp/tool"));
}
