#include "DeviceMonitorFixture.h"

using namespace ostrel;

TEST_F(DeviceMonitorTest, StopClearsAttributionButKeepsAcceptedStates) {
    addApp(300, "Cheese", "org.gnome.Cheese");
    cameras.holders = {300};
    setCameraInUse(true);
    monitor.startMonitoring();
    loop.advance(0.25);
    ASSERT_TRUE(monitor.isCameraActive());

    monitor.stopMonitoring();
    EXPECT_TRUE(cameras.observers.isEmpty());
    EXPECT_TRUE(audio.observers.isEmpty());
    setCameraInUse(false);
    loop.advance(5);
    EXPECT_EQ(delegate.reports.size(), 1u); // no timer after stop
    EXPECT_TRUE(monitor.isCameraActive());

    // Restarted while the camera is idle: the first check reports it idle, without process.
    monitor.startMonitoring();
    loop.advance(0.25);
    ASSERT_EQ(delegate.reports.size(), 2u);
    EXPECT_FALSE(delegate.reports[1].isActive);
    EXPECT_FALSE(delegate.reports[1].process);
    EXPECT_TRUE(log.contains("📷 [FAST] Camera deactivated, using stored process: Unknown"));
}

TEST_F(DeviceMonitorTest, RepeatedStartKeepsOneTimer) {
    monitor.startMonitoring();
    monitor.startMonitoring();
    EXPECT_EQ(loop.activeTimerCount(), 1);
    loop.advance(1.0);
    EXPECT_EQ(monitor.checkCounter(), 4);
}

TEST_F(DeviceMonitorTest, DeviceEventsRunTheirChecks) {
    monitor.startMonitoring();
    setCameraInUse(true);

    // A disconnection checks the microphone only; a connection checks both.
    audio.observers.notify(
        [](AudioSystemObserver& observer) { observer.inputDeviceDisconnected(); });
    EXPECT_TRUE(delegate.reports.empty());
    EXPECT_TRUE(log.contains("🔀 Audio device changed"));
    cameras.observers.notify([](CameraObserver& observer) { observer.cameraConnected(); });
    ASSERT_EQ(delegate.reports.size(), 1u);
    EXPECT_EQ(delegate.reports[0].device, DeviceType::Camera);
    EXPECT_TRUE(log.contains("📷 Camera device connected notification received"));
    EXPECT_TRUE(log.contains("🎤 Audio device connected notification received"));

    setMicrophoneInUse(true);
    audio.observers.notify(
        [](AudioSystemObserver& observer) { observer.inputDeviceDisconnected(); });
    ASSERT_EQ(delegate.reports.size(), 2u);
    EXPECT_EQ(delegate.reports[1].device, DeviceType::Microphone);

    // A media-service reset runs one full cycle.
    audio.observers.notify([](AudioSystemObserver& observer) { observer.mediaServicesReset(); });
    EXPECT_EQ(monitor.checkCounter(), 1);
    EXPECT_TRUE(log.contains("🔄 Media services reset"));

    // After stop, no event reaches the monitor.
    monitor.stopMonitoring();
    setCameraInUse(false);
    loop.advance(1);
    cameras.observers.notify(
        [](CameraObserver& observer) { observer.cameraUsageMayHaveChanged(); });
    EXPECT_EQ(delegate.reports.size(), 2u);
}

TEST_F(DeviceMonitorTest, DeviceListingNamesDevicesAndKnownMediaApps) {
    setCameraInUse(false);
    setMicrophoneInUse(true);
    addApp(50, "Files", "org.gnome.Nautilus");
    monitor.printDeviceStatus();
    const QStringList lines = log.lines();
    const qsizetype start = lines.indexOf("\n📊 [DEBUG] Current Device Status:");
    ASSERT_GE(start, 0);
    const QStringList expected{"\n📊 [DEBUG] Current Device Status:",
                               "📷 Camera devices:",
                               "  1. Integrated Camera",
                               "     - In use: false",
                               "     - Connected: true",
                               "🎤 Microphone devices:",
                               "  1. Built-in Microphone",
                               "     - In use: true",
                               "     - Connected: true",
                               "     - Device ID: alsa_input.pci",
                               "📱 Currently running media apps:",
                               "  (No known media apps currently running)",
                               "ℹ️  Note: Apps listed above may be running but not necessarily "
                               "using microphone/camera",
                               "📊 [DEBUG] End device status\n"};
    EXPECT_EQ(lines.mid(start, expected.size()), expected);

    log.clear();
    addApp(51, "VLC", "org.videolan.vlc");
    monitor.printDeviceStatus();
    EXPECT_TRUE(log.contains("  - VLC (org.videolan.vlc)"));
    EXPECT_TRUE(log.contains("    PID: 51"));
}
