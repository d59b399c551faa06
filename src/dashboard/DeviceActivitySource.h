#pragma once

#include "base/MonotonicTime.h"
#include "detection/DeviceType.h"
#include "detection/ProcessInfo.h"

#include <optional>

namespace ostrel {

// What the dashboard reads from the shell and its detector, and nothing more.
class DeviceActivitySource {
public:
    virtual ~DeviceActivitySource() = default;

    virtual bool isMonitoringActive() const = 0;
    // False while there is no detector to ask; the active list is then empty.
    virtual bool hasDetector() const = 0;
    virtual bool isCameraActive() const = 0;
    virtual bool isMicrophoneActive() const = 0;
    virtual std::optional<ProcessInfo> cameraProcess() = 0;
    virtual std::optional<ProcessInfo> microphoneProcess() = 0;
    // When the detector last accepted the device as becoming active, if it still is and
    // remembers it.
    virtual std::optional<MonotonicTime> activeSince(DeviceType device) const = 0;
};

} // namespace ostrel
