#include "DeviceMonitorFixture.h"
#include "base/ProductIdentity.h"

using namespace ostrel;

TEST_F(DeviceMonitorTest, CameraCacheIsFreshThenConfirmedOrSwitched) {
    addApp(10, "Cheese", "org.gnome.Cheese");   // "cheese" matches nothing...
    addApp(11, "Webcam", "org.example.Camera"); // ...this one is a known camera app
    ASSERT_EQ(monitor.getCameraProcess()->pid, 11);
    EXPECT_TRUE(log.contains("📷 [NEW] First camera process detected: Webcam"));

    log.clear();
    loop.advance(0.4);
    EXPECT_EQ(monitor.getCameraProcess()->pid, 11);
    EXPECT_TRUE(log.contains("📷 [STABLE] Using cached camera process: Webcam"));
    EXPECT_EQ(log.countStartingWith("📷 [PRIORITY]"), 0);

    log.clear();
    loop.advance(0.2); // 0.6 s: stale, same winner, confirmed silently
    EXPECT_EQ(monitor.getCameraProcess()->pid, 11);
    EXPECT_EQ(log.countStartingWith("📷 [SWITCH]"), 0);
    EXPECT_EQ(log.countStartingWith("📷 [PRIORITY] Attempting"), 1);

    loop.advance(0.6);
    applications.frontmost = addApp(12, "Video Call", "org.example.VideoCall", true);
    EXPECT_EQ(monitor.getCameraProcess()->pid, 12);
    EXPECT_TRUE(log.contains("📷 [SWITCH] Switching camera process: Webcam → Video Call"));
    EXPECT_TRUE(log.contains("📷 [PRIORITY] Top camera candidate: Video Call (priority: 310)"));
}

TEST_F(DeviceMonitorTest, OpenFileListingSkipsBadLinesAndOstrelItself) {
    processes.executablePaths[77] = "/usr/bin/ffmpeg";
    processes.executablePaths[4000] = "/usr/bin/ostrel";
    children.answer = [](const FakeChildProcessRunner::Call&) {
        ChildProcessResult result;
        result.outcome = ChildProcessResult::Outcome::Exited;
        result.exitStatus = 1; // lsof reports unreadable files this way; the listing counts
        result.standardOutput = "COMMAND PID USER FD TYPE DEVICE NAME\n"
                                "tool abc root 3u CHR 81,0 /dev/video0\n"
                                "tool 0 root 3u CHR 81,0 /dev/video0\n"
                                "ostrel 4000 root 3u CHR 81,0 /dev/video0\n"
                                "audio 55 root 3u CHR 116,2 /dev/snd/pcmC0D0c\n"
                                "orphan 66 root 3u CHR 81,0 /dev/camera-link\n"
                                "ffmpeg +77 root 3u CHR 81,0 /dev/video0\n";
        return result;
    };
    const std::optional<ProcessInfo> found = monitor.getCameraProcess();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->pid, 77);
    EXPECT_EQ(found->name, "ffmpeg");
    EXPECT_TRUE(log.contains("📷 [DEBUG] Found camera process via lsof: ffmpeg (PID: 77)"));
    ASSERT_EQ(children.calls.size(), 1u);
    EXPECT_EQ(children.calls[0].program, "/usr/bin/lsof");
    EXPECT_EQ(children.calls[0].arguments, (QStringList{"+D", "/dev/", "2>/dev/null"}));
    EXPECT_EQ(children.calls[0].standardError, ChildProcessRunner::StandardError::Discard);

    // The open-file answer is not cached.
    EXPECT_EQ(monitor.getCameraProcess()->pid, 77);
    EXPECT_EQ(children.calls.size(), 2u);

    // A listing that failed or was cut short is no answer.
    children.answer = [](const FakeChildProcessRunner::Call&) {
        ChildProcessResult result;
        result.outcome = ChildProcessResult::Outcome::TimedOut;
        result.standardOutput = "ffmpeg 77 root 3u CHR 81,0 /dev/video0\n";
        result.error = "stopped";
        return result;
    };
    EXPECT_EQ(monitor.getCameraProcess()->name, "Unknown Process");
    EXPECT_TRUE(log.contains("🔍 [DEBUG] Video lsof command failed: stopped"));
}

TEST_F(DeviceMonitorTest, FallbackChainEndsInUnknownProcessAndNeverInOstrel) {
    const RunningApplicationRef own = addApp(4000, "Ostrel", kBundleIdentifier, true);
    addApp(20, "Finder", "com.apple.finder", false, true);
    addApp(21, "Notes", "com.apple.Notes", true, true);
    applications.frontmost = own;

    // A stale cache is cleared on the way.
    cameras.holders = {300};
    addApp(300, "Cheese", "org.gnome.Cheese");
    ASSERT_EQ(monitor.getCameraProcess()->pid, 300);
    cameras.holders.clear();
    applications.applications.pop_back();
    loop.advance(0.6);

    const std::optional<ProcessInfo> found = monitor.getCameraProcess();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->pid, -1);
    EXPECT_EQ(found->name, "Unknown Process");
    EXPECT_TRUE(log.contains("📷 [CLEAR] Clearing stale camera process cache"));

    // An application that only calls itself Ostrel is never answered either.
    applications.applications.clear();
    applications.frontmost = addApp(22, "Ostrel Preview", "org.example.media.Preview", true);
    EXPECT_FALSE(monitor.getCameraProcess());
}

TEST_F(DeviceMonitorTest, FallbackWalksActiveThenIdentifiedApps) {
    // None of these ranks as a camera application, so the fallback chain decides.
    addApp(30, "Mail", "org.example.Mail", false, true);
    addApp(31, "Camera Daemon", std::nullopt, false, false);
    addApp(32, "Sound", "org.example.audiotool", false, false);
    addApp(33, "Streamer", "org.example.streamer", true, false);

    EXPECT_EQ(monitor.getCameraProcess()->pid, 33);
    EXPECT_TRUE(log.contains(
        "🔍 [DEBUG] Found app with media capabilities: Streamer (org.example.streamer)"));

    applications.applications.pop_back();
    EXPECT_EQ(monitor.getCameraProcess()->pid, 32); // identified before unidentified

    applications.applications.pop_back();
    EXPECT_EQ(monitor.getCameraProcess()->name, "Camera Daemon");
    EXPECT_TRUE(log.contains("🔍 [DEBUG] Found system media process: Camera Daemon"));

    applications.applications.pop_back();
    EXPECT_EQ(monitor.getCameraProcess()->pid, 30);
    EXPECT_TRUE(log.contains("🔍 [DEBUG] Fallback to recent regular app: Mail (org.example.Mail)"));
}

TEST_F(DeviceMonitorTest, CameraHolderWinsOverTheLikelyFrontmostApp) {
    applications.frontmost = addApp(40, "Zoom", "us.zoom.xos", true);
    processes.executablePaths[555] = "/opt/hidden/recorder";
    cameras.holders = {4000, 555};
    setCameraInUse(true);
    monitor.checkCameraStatus();
    ASSERT_EQ(delegate.reports.size(), 1u);
    EXPECT_EQ(delegate.reports[0].process->pid, 555);
    EXPECT_EQ(delegate.reports[0].process->name, "recorder");
    EXPECT_TRUE(log.contains("📷 [HOLDER] Camera held open by recorder (PID: 555)"));
    // The holder entered the cache like a ranking winner.
    EXPECT_TRUE(log.contains("📷 [NEW] First camera process detected: recorder"));

    // A holder that vanished before it could be named is passed over.
    cameras.holders = {556, 555};
    loop.advance(0.6);
    EXPECT_EQ(monitor.getCameraProcess()->pid, 555);
}
