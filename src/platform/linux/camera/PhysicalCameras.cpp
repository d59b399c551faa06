#include "platform/linux/camera/PhysicalCameras.h"

#include <QSet>
#include <algorithm>

namespace ostrel {

PhysicalCameras::Changes PhysicalCameras::update(const std::vector<CameraNode>& nodes) {
    std::vector<PhysicalCamera> listed;
    QHash<QString, QString> keyByNode;
    for (const CameraNode& node : nodes) {
        const QString key = keyOf(node);
        keyByNode.insert(node.path, key);
        const auto camera = std::find_if(listed.begin(), listed.end(),
                                         [&](const PhysicalCamera& c) { return c.key == key; });
        if (camera == listed.end()) {
            listed.push_back({key, node.displayName, {node.path}});
        } else {
            camera->nodePaths.push_back(node.path);
        }
    }
    QSet<QString> before;
    for (const PhysicalCamera& camera : cameras_) {
        before.insert(camera.key);
    }
    Changes changes;
    for (const PhysicalCamera& camera : listed) {
        changes.connected += before.remove(camera.key) ? 0 : 1;
    }
    changes.disconnected = int(before.size());
    cameras_ = std::move(listed);
    keyByNode_ = std::move(keyByNode);
    return changes;
}

// A fresh device beats the kept one: a node name may be reused by another camera.
QString PhysicalCameras::keyOf(const CameraNode& node) const {
    if (!node.devicePath.isEmpty()) {
        return node.devicePath;
    }
    return keyByNode_.value(node.path, node.path);
}

} // namespace ostrel
