#include "dashboard/ShellDeviceActivitySource.h"

#include "support/CapturedLog.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

using namespace ostrel;

TEST(ShellDeviceActivitySourceTest, ActiveSinceFollowsTheDetectorsOwnChanges) {
    CapturedLog log;
    FakePlatform fakes;
    ManualRunLoop& loop = fakes.loop;
    EventBus notifications;
    AdvancedDeviceMonitor monitor(
        AdvancedMonitorPlatform::from(fakes.platform, loop, notifications));
    AdvancedDeviceMonitor* current = nullptr;
    ShellDeviceActivitySource source([] { return true; }, [&current] { return current; });

    // Before the shell has a monitor: nothing is active and nothing is asked.
    EXPECT_FALSE(source.hasDetector() || source.isCameraActive() || source.cameraProcess() ||
                 source.activeSince(DeviceType::Camera));

    current = &monitor;
    EXPECT_TRUE(source.hasDetector());
    const MonotonicTime start = loop.monotonicNow();
    monitor.deviceAccessChanged(DeviceType::Camera, true,
                                ProcessInfo{700, "cheese", std::nullopt, std::nullopt});
    loop.advance(30);
    // Records the detector did not accept itself move nothing.
    monitor.deviceAccessChanged(DeviceType::Microphone, true, std::nullopt);
    EXPECT_EQ(source.activeSince(DeviceType::Camera), start);
    EXPECT_EQ(source.activeSince(DeviceType::Microphone), loop.monotonicNow());

    monitor.deviceAccessChanged(DeviceType::Camera, false, std::nullopt);
    EXPECT_FALSE(source.activeSince(DeviceType::Camera));
}
