#pragma once

#include "platform/linux/camera/CameraNode.h"

#include <QHash>
#include <QString>
#include <vector>

namespace ostrel {

// One camera as the user sees it: the nodes of one sysfs device. A USB webcam makes a capture
// and a metadata node, and one plug-in must read as one camera connected.
struct PhysicalCamera {
    QString key;         // the sysfs device, else the node path for a node sysfs says nothing of
    QString displayName; // that of the first node
    std::vector<QString> nodePaths; // in the order listed
};

// Groups the listed nodes into physical cameras and counts the cameras that came and went.
class PhysicalCameras {
public:
    struct Changes {
        int connected = 0;
        int disconnected = 0;
    };

    // `nodes` is the whole current node list.
    Changes update(const std::vector<CameraNode>& nodes);
    const std::vector<PhysicalCamera>& cameras() const { return cameras_; }

private:
    QString keyOf(const CameraNode& node) const;

    std::vector<PhysicalCamera> cameras_;
    // Kept while a node is listed: on unplug the sysfs entry may vanish before the node, which
    // must still count as part of its camera rather than as a camera of its own.
    QHash<QString, QString> keyByNode_;
};

} // namespace ostrel
