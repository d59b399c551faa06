#pragma once

#include "base/MonotonicTime.h"
#include "detection/DeviceType.h"
#include "detection/ProcessInfo.h"

#include <QDateTime>
#include <optional>
#include <set>

namespace ostrel {

// One open batch: the changes of one process name in one direction, waiting for the batch
// window to close.
struct PendingNotification {
    std::optional<ProcessInfo> processInfo; // the process of the batch's first change
    bool isActive = false;                  // devices starting (true) or stopping (false)
    std::set<DeviceType> devices;           // every device that joined, in raw-value order
    QDateTime timestamp;                    // when the batch was opened
    MonotonicTime openedAt;                 // the same moment, for the batch's age
};

} // namespace ostrel
