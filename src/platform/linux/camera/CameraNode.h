#pragma once

#include <QString>

namespace ostrel {

// One camera node of the device folder.
struct CameraNode {
    QString path;        // e.g. /dev/video0; also the camera's unique id
    QString displayName; // the kernel's name for the device, else the node name

    bool operator==(const CameraNode&) const = default;
};

} // namespace ostrel
