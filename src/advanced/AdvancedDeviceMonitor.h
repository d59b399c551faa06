#pragma once

#include "advanced/AdvancedMonitorPlatform.h"
#include "advanced/DeviceAccessEvent.h"
#include "advanced/DeviceHolderEvidence.h"
#include "advanced/KernelDeviceMonitor.h"
#include "advanced/MonitorEvents.h"
#include "advanced/ProcessTracker.h"
#include "detection/DeviceMonitor.h"

#include <deque>
#include <memory>

namespace ostrel {

// The one monitor the shell starts and stops. It owns the detector, the kernel-level monitor
// and the process tracker, turns what they report into classified access records, keeps the
// last 100, looks for brief on/off patterns and forwards every record to its delegate.
class AdvancedDeviceMonitor final : public DeviceMonitorDelegate {
public:
    static constexpr int historyLimit = 100;
    static constexpr double comparisonInterval = 2.0;

    explicit AdvancedDeviceMonitor(const AdvancedMonitorPlatform& platform);
    ~AdvancedDeviceMonitor();
    AdvancedDeviceMonitor(const AdvancedDeviceMonitor&) = delete;
    AdvancedDeviceMonitor& operator=(const AdvancedDeviceMonitor&) = delete;

    WeakRef<DeviceMonitorDelegate> delegate;
    const bool enableKernelMonitoring = true;
    const bool enableProcessTracking = true;
    const bool enableBriefAccessDetection = true;

    DeviceMonitor& detector() { return *detector_; }
    KernelDeviceMonitor& kernelMonitor() { return *kernelMonitor_; }
    ProcessTracker& processTracker() { return *processTracker_; }
    const std::deque<DeviceAccessEvent>& detectionHistory() const { return detectionHistory_; }

    void startComprehensiveMonitoring();
    void stopAdvancedMonitoring();

    // The detector's reports.
    void deviceAccessChanged(DeviceType device, bool isActive,
                             const std::optional<ProcessInfo>& processInfo) override;

    ProcessInfo detectProcessUsingDevice();
    bool isLegitimateProcess(qint32 pid, const QString& name);

private:
    void checkDevices();
    void recordDeviceAccess(DeviceType device, bool isActive,
                            const std::optional<ProcessInfo>& processInfo, DetectionMethod method);
    void checkForBriefAccessPattern();
    void handleKernelDeviceActivity(const KernelDeviceActivityDetected& event);
    void handleHighRiskProcess(const HighRiskProcessDetected& event);
    void handleDirectDeviceAccess(const DirectDeviceAccessDetected& event);

    AdvancedMonitorPlatform platform_;
    DeviceHolderEvidence evidence_;
    std::unique_ptr<DeviceMonitor> detector_;
    std::unique_ptr<KernelDeviceMonitor> kernelMonitor_;
    std::unique_ptr<ProcessTracker> processTracker_;
    TimerHandle deviceCheckTimer_;
    bool lastCameraState_ = false;
    bool lastMicrophoneState_ = false;
    std::deque<DeviceAccessEvent> detectionHistory_;
    // Last, so they end first and no event reaches a monitor being taken apart.
    EventBus::Subscription subscriptions_[3];
};

} // namespace ostrel
