#include "DeviceMonitorFixture.h"

using namespace ostrel;

TEST_F(DeviceMonitorTest, FirstCheckReportsAtOnceCameraBeforeMicrophone) {
    addApp(300, "Cheese", "org.gnome.Cheese");
    cameras.holders = {300};
    setCameraInUse(true);
    setMicrophoneInUse(true);
    monitor.startMonitoring();

    loop.advance(0.24);
    EXPECT_TRUE(delegate.reports.empty()); // no check runs during start

    loop.advance(0.01);
    ASSERT_EQ(delegate.reports.size(), 2u);
    EXPECT_EQ(delegate.reports[0].device, DeviceType::Camera);
    EXPECT_TRUE(delegate.reports[0].isActive);
    EXPECT_EQ(delegate.reports[0].process->name, "Cheese");
    EXPECT_EQ(delegate.reports[1].device, DeviceType::Microphone);
    EXPECT_TRUE(monitor.isCameraActive());
    EXPECT_TRUE(monitor.isMicrophoneActive());
    EXPECT_EQ(monitor.checkCounter(), 1);
    EXPECT_TRUE(log.contains("📷 [FAST] Camera state changing: false → true"));
    EXPECT_TRUE(log.contains("📷 Camera status changed (fast): false → true | Process: Cheese"));
}

TEST_F(DeviceMonitorTest, ChangeInsideCooldownIsAcceptedLaterOnlyIfItStillHolds) {
    setCameraInUse(true);
    monitor.startMonitoring();
    loop.advance(0.25); // accepted at t = 0.25
    ASSERT_EQ(delegate.reports.size(), 1u);

    setCameraInUse(false);
    loop.advance(0.25); // t = 0.5: 0.25 s since the report, ignored
    EXPECT_EQ(delegate.reports.size(), 1u);
    EXPECT_TRUE(monitor.isCameraActive());

    loop.advance(0.25); // t = 0.75: 0.5 s passed, the change still holds
    ASSERT_EQ(delegate.reports.size(), 2u);
    EXPECT_FALSE(delegate.reports[1].isActive);

    // A flip that reverts before the cooldown ends is never reported.
    setCameraInUse(true);
    loop.advance(0.25);
    setCameraInUse(false);
    loop.advance(1.0);
    EXPECT_EQ(delegate.reports.size(), 2u);

    // Debounce messages are verbose only.
    EXPECT_EQ(log.countStartingWith("📷 [DEBUG] Camera notification cooldown"), 0);
    monitor.debugLoggingEnabled = true;
    setCameraInUse(true);
    loop.advance(0.25);
    setCameraInUse(false);
    loop.advance(0.25);
    EXPECT_EQ(log.countStartingWith("📷 [DEBUG] Camera state change too rapid - debouncing "
                                    "(time since last: 0.250s)"),
              1);
}

TEST_F(DeviceMonitorTest, UnattributedMicrophoneReportsPlaceholderThenAbsentProcess) {
    setMicrophoneInUse(true);
    monitor.startMonitoring();
    loop.advance(0.25);
    ASSERT_EQ(delegate.reports.size(), 1u);
    const std::optional<ProcessInfo>& placeholder = delegate.reports[0].process;
    ASSERT_TRUE(placeholder);
    EXPECT_EQ(placeholder->pid, -1);
    EXPECT_EQ(placeholder->name, "Detecting microphone usage...");
    EXPECT_TRUE(log.contains("🎤 [WARNING] No process detected at microphone activation"));

    // The dashboard's query answers the placeholder, not nothing.
    EXPECT_EQ(monitor.getMicrophoneProcess()->bundleIdentifier, "placeholder.microphone.detection");

    setMicrophoneInUse(false);
    loop.advance(0.5);
    ASSERT_EQ(delegate.reports.size(), 2u);
    EXPECT_FALSE(delegate.reports[1].process);
    EXPECT_FALSE(monitor.getMicrophoneProcess());
}

TEST_F(DeviceMonitorTest, MicrophoneFallsBackToTheDefaultInputWhenNoDeviceIsListed) {
    audio.defaultInput = {0, 7};
    audio.runningSomewhere = {0, true};
    monitor.checkMicrophoneStatus();
    EXPECT_TRUE(monitor.isMicrophoneActive());
    EXPECT_TRUE(
        log.contains("🎤 *** MICROPHONE IN USE DETECTED *** via Core Audio device activity"));

    // An audio-system error counts as not running.
    audio.runningSomewhere = {-50, true};
    loop.advance(1);
    monitor.checkMicrophoneStatus();
    EXPECT_FALSE(monitor.isMicrophoneActive());
}

TEST_F(DeviceMonitorTest, KnownCameraAppsMatchExactlyAndPhotoBoothNeedsFocus) {
    addApp(10, "FaceTime", "com.apple.FaceTime", true);
    EXPECT_FALSE(monitor.isCameraInUse());
    addApp(11, "FaceTime", "com.apple.facetime", true);
    EXPECT_TRUE(monitor.isCameraInUse());

    applications.applications.clear();
    const RunningApplicationRef booth = addApp(12, "Photo Booth", "com.apple.PhotoBooth");
    applications.windowOwnerPids = {12};
    EXPECT_FALSE(monitor.isCameraInUse()); // visible, but neither active nor frontmost
    applications.frontmost = booth;
    EXPECT_TRUE(monitor.isCameraInUse());
    applications.windowOwnerPids = {99};
    EXPECT_FALSE(monitor.isCameraInUse()); // frontmost, but no window of its own on screen
}

TEST_F(DeviceMonitorTest, CameraSummaryLinePrintsEveryFifthIdleCycle) {
    monitor.startMonitoring();
    loop.advance(0.25 * 4);
    EXPECT_EQ(log.countStartingWith("📷 [DEBUG] Camera detection (cycle"), 0);
    loop.advance(0.25 * 11);
    EXPECT_TRUE(log.contains(
        "📷 [DEBUG] Camera detection (cycle 5) - Hardware: false, Apps: false, Final: false"));
    EXPECT_EQ(log.countStartingWith("📷 [DEBUG] Camera detection (cycle"), 3); // 5, 10, 15
    EXPECT_EQ(log.countStartingWith("🔍 [DEBUG] Check cycle"), 0);
}
