#pragma once

#include <QString>

namespace ostrel {

// One camera node of the device folder.
struct CameraNode {
    QString path;        // e.g. /dev/video0
    QString displayName; // the kernel's name for the device, else the node name
    // The sysfs device the node belongs to, links resolved; empty when sysfs does not say.
    // A USB webcam's capture and metadata nodes share one.
    QString devicePath;

    bool operator==(const CameraNode&) const = default;
};

} // namespace ostrel
