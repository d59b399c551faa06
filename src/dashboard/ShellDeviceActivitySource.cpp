#include "dashboard/ShellDeviceActivitySource.h"

namespace ostrel {

ShellDeviceActivitySource::ShellDeviceActivitySource(
    std::function<bool()> isMonitoringActive, std::function<AdvancedDeviceMonitor*()> deviceMonitor)
    : isMonitoringActive_(std::move(isMonitoringActive)), deviceMonitor_(std::move(deviceMonitor)) {
}

bool ShellDeviceActivitySource::isMonitoringActive() const {
    return isMonitoringActive_ && isMonitoringActive_();
}

bool ShellDeviceActivitySource::hasDetector() const {
    return deviceMonitor_ && deviceMonitor_() != nullptr;
}

bool ShellDeviceActivitySource::isCameraActive() const {
    return hasDetector() && deviceMonitor_()->detector().isCameraActive();
}

bool ShellDeviceActivitySource::isMicrophoneActive() const {
    return hasDetector() && deviceMonitor_()->detector().isMicrophoneActive();
}

std::optional<ProcessInfo> ShellDeviceActivitySource::cameraProcess() {
    return hasDetector() ? deviceMonitor_()->detector().getCameraProcess() : std::nullopt;
}

std::optional<ProcessInfo> ShellDeviceActivitySource::microphoneProcess() {
    return hasDetector() ? deviceMonitor_()->detector().getMicrophoneProcess() : std::nullopt;
}

std::optional<MonotonicTime> ShellDeviceActivitySource::activeSince(DeviceType device) const {
    if (!hasDetector()) {
        return std::nullopt;
    }
    // The detector's own accepted changes are the records made by the capture path; the
    // newest one of the device says whether and since when it is active.
    const auto& history = deviceMonitor_()->detectionHistory();
    for (auto event = history.rbegin(); event != history.rend(); ++event) {
        if (event->device == device && event->detectionMethod == DetectionMethod::AvFoundation) {
            return event->isActive ? std::optional(event->recordedAt) : std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace ostrel
