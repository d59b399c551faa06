#pragma once

#include "platform/linux/camera/CameraHolderIndex.h"
#include "platform/linux/camera/CameraNode.h"
#include "platform/linux/camera/CameraOpenTally.h"

#include <QString>
#include <algorithm>
#include <vector>

namespace ostrel {

// Which camera nodes are in use, as of one walk of the processes. A node whose net opens, as
// the node watch counted them, no visible holder explains is held by a process Ostrel cannot
// inspect: another user's, or one that made itself undumpable. Taken only at a walk, so a
// probe that opens and closes a node between two walks never reads as use.
class CameraUse {
public:
    CameraUse() = default;
    CameraUse(const std::vector<CameraNode>& nodes, const CameraHolderIndex& index,
              const CameraOpenTally& tally) {
        for (const CameraNode& node : nodes) {
            std::vector<qint32> holders = index.holdersOf(node.path);
            const bool uninspectable = holders.empty() && tally.netOpenCount(node.path) > 0;
            if (!holders.empty() || uninspectable) {
                inUse_.push_back({node.path, std::move(holders), uninspectable});
            }
        }
    }

    bool isInUse(const QString& nodePath) const {
        return std::any_of(inUse_.begin(), inUse_.end(),
                           [&](const NodeUse& use) { return use.path == nodePath; });
    }
    bool hasUninspectableHolder() const {
        return std::any_of(inUse_.begin(), inUse_.end(),
                           [](const NodeUse& use) { return use.uninspectable; });
    }
    bool operator==(const CameraUse&) const = default;

private:
    struct NodeUse {
        QString path;
        std::vector<qint32> holders;
        bool uninspectable = false;
        bool operator==(const NodeUse&) const = default;
    };

    std::vector<NodeUse> inUse_; // only the nodes in use
};

} // namespace ostrel
