#include "AdvancedFixture.h"

#include <thread>

using namespace ostrel;

TEST_F(AdvancedTest, DeviceListChangePostsOnlyForRunningCamerasOnTheMainThread) {
    KernelDeviceMonitor& kernel = monitor.kernelMonitor();
    cameraSystem.devices = {0, {33, 34}};
    cameraSystem.names = {{33, "USB Camera"}, {34, "Integrated Camera"}};
    kernel.startKernelMonitoring();
    ASSERT_TRUE(cameraSystem.listener);
    EXPECT_TRUE(log.contains("✅ [KernelMonitor] CoreMediaIO monitoring enabled"));

    const std::vector<CameraSystemChange> listChanged{{CameraSystemChange::Kind::DeviceList, 0}};
    // The camera system may call from its own thread: nothing happens until the main loop runs.
    std::thread([&] { cameraSystem.listener(1, listChanged); }).join();
    EXPECT_FALSE(log.contains("🔄 [KernelMonitor] CoreMediaIO device change detected"));
    loop.runPending();
    EXPECT_TRUE(log.contains("📱 [KernelMonitor] Found 2 CMIO devices"));
    EXPECT_TRUE(log.contains("📱 [KernelMonitor] Device info - ID: 33, Name: USB Camera"));
    EXPECT_TRUE(shell.records.empty());

    cameraSystem.running = {33};
    cameraSystem.listener(1, listChanged);
    loop.runPending();
    EXPECT_TRUE(log.contains("🔴 [KernelMonitor] Device 33 is running!"));
    ASSERT_EQ(shell.records.size(), 1u);
    EXPECT_EQ(shell.records[0].device, DeviceType::Camera);

    kernel.stopKernelMonitoring();
    EXPECT_FALSE(cameraSystem.listener);
    EXPECT_FALSE(usbRegistry.isOpen());
}

TEST_F(AdvancedTest, DiagnosticLinesFollowDebugEnabled) {
    KernelDeviceMonitor& kernel = monitor.kernelMonitor();
    const std::vector<CameraSystemChange> changes{{CameraSystemChange::Kind::Other, 1735289204},
                                                  {CameraSystemChange::Kind::DeviceList, 0}};
    kernel.handleCameraSystemChange(1, changes);
    EXPECT_TRUE(log.contains("🔍 [KernelMonitor] Unknown CMIO property change: 1735289204"));
    EXPECT_TRUE(log.contains("🔍 [KernelMonitor] No CMIO devices found or error: 0"));

    log.clear();
    kernel.debugEnabled = false;
    kernel.handleCameraSystemChange(1, changes);
    EXPECT_EQ(log.lines(), QStringList{"🔄 [KernelMonitor] CoreMediaIO device change detected"});
}

TEST_F(AdvancedTest, UsbDevicesAreLoggedWhenPresentAndWhenTheyAppear) {
    usbRegistry.presentDevices = {{"Hub", 0x1d6b, 0x0002}, {"USB Video Class", 0x05ac, 0x8514}};
    monitor.kernelMonitor().startKernelMonitoring();
    EXPECT_FALSE(log.contains("🔌 [KernelMonitor] USB Device - Vendor: 0x1d6b, Product: 0x2"));
    EXPECT_TRUE(log.contains("🔌 [KernelMonitor] USB Device - Vendor: 0x5ac, Product: 0x8514"));
    EXPECT_TRUE(log.contains("✅ [KernelMonitor] USB device monitoring enabled"));

    ASSERT_TRUE(usbRegistry.appeared);
    usbRegistry.appeared({{"USB Audio", 0x0d8c, 0x0014}});
    EXPECT_TRUE(log.contains("🔌 [KernelMonitor] USB Device - Vendor: 0xd8c, Product: 0x14"));

    // A registry that cannot open says so, and the start goes on.
    monitor.kernelMonitor().stopKernelMonitoring();
    log.clear();
    usbRegistry.openResult = UsbDeviceRegistry::OpenResult::NoNotificationPort;
    cameraSystem.addStatus = -3;
    monitor.kernelMonitor().startKernelMonitoring();
    EXPECT_TRUE(log.contains("❌ [KernelMonitor] Failed to setup CoreMediaIO monitoring: -3"));
    EXPECT_TRUE(log.contains("❌ [KernelMonitor] Failed to create IOKit notification port"));
    EXPECT_TRUE(log.contains("✅ [KernelMonitor] Kernel monitoring initialized"));
}

TEST_F(AdvancedTest, SecurityAnalysisJudgesByNameThenLocation) {
    KernelDeviceMonitor& kernel = monitor.kernelMonitor();
    addProcess(10, "/home/user/pipewire");
    addProcess(11, "/home/user/apps/zoom");
    addProcess(12, "/opt/tool/bin/tool");
    addProcess(13, "/home/user/.local/bin/tool");
    processes.processBasics[13].hasExecuted = false;

    const ProcessSecurityInfo system = kernel.analyzeProcessSecurity(10);
    EXPECT_TRUE(system.isSandboxed && system.isLegitimate);
    EXPECT_TRUE(log.contains("✅ [KernelMonitor] Recognized as system process"));
    const ProcessSecurityInfo known = kernel.analyzeProcessSecurity(11);
    EXPECT_TRUE(known.isLegitimate);
    EXPECT_FALSE(known.isSandboxed);
    EXPECT_TRUE(kernel.analyzeProcessSecurity(12).isSandboxed);
    EXPECT_TRUE(log.contains("✅ [KernelMonitor] Recognized as legitimate app (location-based)"));
    EXPECT_TRUE(log.contains("🔒 [KernelMonitor] Process tool has exec flag"));

    log.clear();
    const ProcessSecurityInfo unknown = kernel.analyzeProcessSecurity(13);
    EXPECT_FALSE(unknown.isLegitimate || unknown.hasCameraEntitlement);
    EXPECT_TRUE(log.contains("⚠️ [KernelMonitor] Process from suspicious location or unknown"));
    EXPECT_EQ(log.countStartingWith("🔒"), 0);

    EXPECT_FALSE(kernel.analyzeProcessSecurity(99).isLegitimate);
    EXPECT_TRUE(log.contains("❌ [KernelMonitor] Failed to get process info for PID 99"));
}
