#pragma once

#include "dashboard/DeviceActivitySource.h"

namespace ostrel {

// The shell's state as the test sets it.
class FakeDeviceActivitySource final : public DeviceActivitySource {
public:
    bool isMonitoringActive() const override { return monitoring; }
    bool hasDetector() const override { return detector; }
    bool isCameraActive() const override { return camera; }
    bool isMicrophoneActive() const override { return microphone; }
    std::optional<ProcessInfo> cameraProcess() override { return cameraHolder; }
    std::optional<ProcessInfo> microphoneProcess() override { return microphoneHolder; }
    std::optional<MonotonicTime> activeSince(DeviceType device) const override {
        return device == DeviceType::Camera ? cameraSince : microphoneSince;
    }

    bool monitoring = true, detector = true, camera = false, microphone = false;
    std::optional<ProcessInfo> cameraHolder, microphoneHolder;
    std::optional<MonotonicTime> cameraSince, microphoneSince;
};

} // namespace ostrel
