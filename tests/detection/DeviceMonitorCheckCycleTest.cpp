#include "DeviceMonitorFixture.h"

using namespace ostrel;

TEST_F(DeviceMonitorTest, ChangeInsideCooldownIsAcceptedLaterOnlyIfItStillHolds) {
    setCameraInUse(true);
    monitor.startMonitoring();
    loop.advance(0.25); // accepted at t = 0.25
    ASSERT_EQ(reports.size(), 1u);

    // Too soon: the tick at 0.5 for the debounce, the system's event at 0.6 for the cooldown.
    setCameraInUse(false);
    loop.advance(0.35);
    cameras.observers.notify([](CameraObserver& o) { o.cameraUsageMayHaveChanged(); });
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_TRUE(monitor.isCameraActive());

    loop.advance(0.15); // t = 0.75: 0.5 s passed, and the change still holds
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_FALSE(reports[1].isActive);

    // A flip that reverts before the cooldown ends is never reported.
    setCameraInUse(true);
    loop.advance(0.25);
    setCameraInUse(false);
    loop.advance(1.0);
    EXPECT_EQ(reports.size(), 2u);
}

TEST_F(DeviceMonitorTest, UnattributedMicrophoneReportsPlaceholderThenAbsentProcess) {
    // No microphone is listed, but the default input runs.
    audio.defaultInput = {0, 7};
    audio.runningSomewhere = {0, true};
    monitor.startMonitoring();
    loop.advance(0.25);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].process.value().name, "Detecting microphone usage...");
    // The dashboard's query answers the placeholder, not nothing.
    EXPECT_EQ(monitor.getMicrophoneProcess()->bundleIdentifier, "placeholder.microphone.detection");

    // A sound-server error counts as not running.
    audio.runningSomewhere = {-50, true};
    loop.advance(0.5);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_FALSE(reports[1].process);
    EXPECT_FALSE(monitor.getMicrophoneProcess());
}

TEST_F(DeviceMonitorTest, ActiveKnownCameraAppsCountAndPhotoBoothNeedsFocus) {
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
