#include "DeviceMonitorFixture.h"

using namespace ostrel;

TEST_F(DeviceMonitorTest, FirstTickReportsCameraBeforeMicrophoneAndStopKeepsAcceptedStates) {
    addApp(300, "Cheese", "org.gnome.Cheese");
    cameras.holders = {300};
    setCameraInUse(true);
    setMicrophoneInUse(true);
    monitor.startMonitoring();
    monitor.startMonitoring(); // a second start keeps one timer
    loop.advance(0.24);
    EXPECT_TRUE(reports.empty()); // no check runs during start
    loop.advance(0.01);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].device, DeviceType::Camera);
    EXPECT_EQ(reports[0].process->name, "Cheese");
    EXPECT_EQ(reports[1].device, DeviceType::Microphone);
    EXPECT_TRUE(monitor.isCameraActive() && monitor.isMicrophoneActive());
    EXPECT_TRUE(log.contains("📷 Camera status changed (fast): false → true | Process: Cheese"));

    monitor.stopMonitoring();
    EXPECT_TRUE(cameras.observers.isEmpty() && audio.observers.isEmpty());
    setCameraInUse(false);
    loop.advance(5);
    EXPECT_EQ(reports.size(), 2u); // no timer after stop
    EXPECT_EQ(monitor.checkCounter(), 1);
    EXPECT_TRUE(monitor.isCameraActive());

    // Restarted while the camera is idle: the first check reports it idle, without process.
    monitor.startMonitoring();
    loop.advance(0.25);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_FALSE(reports[2].isActive);
    EXPECT_FALSE(reports[2].process);
}

TEST_F(DeviceMonitorTest, DeviceEventsRunTheirChecks) {
    monitor.startMonitoring();
    setCameraInUse(true);

    // A disconnection checks the microphone only; a connection checks both.
    audio.observers.notify(
        [](AudioSystemObserver& observer) { observer.inputDeviceDisconnected(); });
    EXPECT_TRUE(reports.empty());
    cameras.observers.notify([](CameraObserver& observer) { observer.cameraConnected(); });
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].device, DeviceType::Camera);

    setMicrophoneInUse(true);
    audio.observers.notify(
        [](AudioSystemObserver& observer) { observer.inputDeviceDisconnected(); });
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].device, DeviceType::Microphone);

    // A media-service reset runs one full cycle.
    audio.observers.notify([](AudioSystemObserver& observer) { observer.mediaServicesReset(); });
    EXPECT_EQ(monitor.checkCounter(), 1);
}
