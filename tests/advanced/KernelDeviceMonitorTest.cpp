#include "AdvancedFixture.h"

#include <thread>

using namespace ostrel;

TEST_F(AdvancedTest, DeviceListChangeReportsOnlyRunningCamerasOnTheMainThread) {
    KernelDeviceMonitor& kernel = monitor.kernelMonitor();
    cameraSystem.devices = {0, {33, 34}};
    cameraSystem.running = {33};
    kernel.startKernelMonitoring();
    ASSERT_TRUE(cameraSystem.listener);

    // The camera system may call from its own thread: nothing happens until the main loop runs.
    const std::vector<CameraSystemChange> listChanged{{CameraSystemChange::Kind::DeviceList, 0}};
    std::thread([&] { cameraSystem.listener(1, listChanged); }).join();
    EXPECT_TRUE(records.empty());
    loop.runPending();
    ASSERT_EQ(records.size(), 1u); // camera 34 does not run
    // The advanced monitor records it as a camera event, whatever the device number.
    EXPECT_EQ(records[0].device, DeviceType::Camera);
    EXPECT_TRUE(log.contains("   - Device ID: 33")); // the event carries the device

    kernel.stopKernelMonitoring();
    EXPECT_FALSE(cameraSystem.listener);
    EXPECT_FALSE(usbRegistry.isOpen());
}

TEST_F(AdvancedTest, UsbDevicesAreLoggedWhenPresentAndWhenTheyAppear) {
    usbRegistry.presentDevices = {{"Hub", 0x1d6b, 0x0002}, {"USB Video Class", 0x05ac, 0x8514}};
    monitor.kernelMonitor().startKernelMonitoring();
    EXPECT_FALSE(log.contains("🔌 [KernelMonitor] USB Device - Vendor: 0x1d6b, Product: 0x2"));
    EXPECT_TRUE(log.contains("🔌 [KernelMonitor] USB Device - Vendor: 0x5ac, Product: 0x8514"));
    usbRegistry.appeared({{"USB Audio", 0x0d8c, 0x0014}});
    EXPECT_TRUE(log.contains("🔌 [KernelMonitor] USB Device - Vendor: 0xd8c, Product: 0x14"));

    // Registrations that fail say so, and the start goes on.
    monitor.kernelMonitor().stopKernelMonitoring();
    usbRegistry.openResult = UsbDeviceRegistry::OpenResult::NoNotificationPort;
    cameraSystem.addStatus = -3;
    monitor.kernelMonitor().startKernelMonitoring();
    EXPECT_TRUE(log.contains("❌ [KernelMonitor] Failed to setup V4L2 monitoring: -3"));
    EXPECT_TRUE(log.contains("❌ [KernelMonitor] Failed to create udev notification port"));
}

TEST_F(AdvancedTest, SecurityAnalysisJudgesByNameThenLocation) {
    KernelDeviceMonitor& kernel = monitor.kernelMonitor();
    addProcess(10, "/home/user/pipewire");        // a system process
    addProcess(11, "/home/user/apps/zoom");       // a known application
    addProcess(12, "/opt/tool/bin/tool");         // a legitimate location
    addProcess(13, "/home/user/.local/bin/tool"); // none of these
    const ProcessSecurityInfo system = kernel.analyzeProcessSecurity(10);
    EXPECT_TRUE(system.isSandboxed && system.isLegitimate);
    const ProcessSecurityInfo known = kernel.analyzeProcessSecurity(11);
    EXPECT_TRUE(known.isLegitimate && !known.isSandboxed);
    EXPECT_TRUE(kernel.analyzeProcessSecurity(12).isSandboxed);
    const ProcessSecurityInfo unknown = kernel.analyzeProcessSecurity(13);
    EXPECT_FALSE(unknown.isLegitimate || unknown.hasCameraEntitlement);

    EXPECT_FALSE(kernel.analyzeProcessSecurity(99).isLegitimate);
    EXPECT_TRUE(log.contains("❌ [KernelMonitor] Failed to get process info for PID 99"));
}
