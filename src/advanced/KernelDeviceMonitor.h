#pragma once

#include "advanced/AdvancedMonitorPlatform.h"
#include "advanced/DeviceAccessEvent.h"

#include <memory>

namespace ostrel {

// Listens below the capture layer: camera device list changes (publishing
// KernelDeviceActivityDetected for a device that runs) and USB devices appearing (logged).
// Also judges a process by its name and location.
class KernelDeviceMonitor {
public:
    explicit KernelDeviceMonitor(const AdvancedMonitorPlatform& platform);
    ~KernelDeviceMonitor();
    KernelDeviceMonitor(const KernelDeviceMonitor&) = delete;
    KernelDeviceMonitor& operator=(const KernelDeviceMonitor&) = delete;

    bool debugEnabled = true;

    void startKernelMonitoring();
    void stopKernelMonitoring();
    ProcessSecurityInfo analyzeProcessSecurity(qint32 pid);

    // The camera system's listener, on the main thread.
    void handleCameraSystemChange(quint32 objectId, const std::vector<CameraSystemChange>& changes);
    void handleMatchedUSBDevices(const std::vector<UsbDevice>& devices);

private:
    void setupCoreMediaIOMonitoring();
    void setupIOKitMonitoring();
    void setupUSBMonitoring();
    void refreshCameraDeviceList();
    void checkCameraDeviceRunning(quint32 deviceId);
    void logCameraDeviceInfo(quint32 deviceId);

    AdvancedMonitorPlatform platform_;
    // Lets callbacks queued from other threads find out that the monitor is gone.
    std::shared_ptr<KernelDeviceMonitor*> self_;
};

} // namespace ostrel
