#pragma once

#include "advanced/AdvancedDeviceMonitor.h"
#include "dashboard/DeviceActivitySource.h"

#include <functional>

namespace ostrel {

// The dashboard's view of the running shell: monitoring on or off, and the detector of its
// advanced device monitor. The shell is asked afresh every time, so the source may be made
// before the shell's monitor exists.
class ShellDeviceActivitySource final : public DeviceActivitySource {
public:
    ShellDeviceActivitySource(std::function<bool()> isMonitoringActive,
                              std::function<AdvancedDeviceMonitor*()> deviceMonitor);

    bool isMonitoringActive() const override;
    bool hasDetector() const override;
    bool isCameraActive() const override;
    bool isMicrophoneActive() const override;
    std::optional<ProcessInfo> cameraProcess() override;
    std::optional<ProcessInfo> microphoneProcess() override;
    std::optional<MonotonicTime> activeSince(DeviceType device) const override;

private:
    std::function<bool()> isMonitoringActive_;
    std::function<AdvancedDeviceMonitor*()> deviceMonitor_;
};

} // namespace ostrel
