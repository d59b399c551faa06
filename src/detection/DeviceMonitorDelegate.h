#pragma once

#include "base/WeakRef.h"
#include "detection/DeviceType.h"
#include "detection/ProcessInfo.h"

#include <optional>

namespace ostrel {

// Receives the changes the detector accepts. Holders keep it as a WeakRef: a delegate that
// is gone simply misses the report.
class DeviceMonitorDelegate : public LifetimeTracked {
public:
    virtual void deviceAccessChanged(DeviceType device, bool isActive,
                                     const std::optional<ProcessInfo>& processInfo) = 0;

protected:
    ~DeviceMonitorDelegate() = default;
};

} // namespace ostrel
