#pragma once

#include "platform/linux/camera/CameraNode.h"

#include <QByteArrayView>
#include <QString>
#include <vector>

namespace ostrel {

// Lists the camera nodes (`video*`) of a device folder with the names and devices sysfs gives
// them.
// Reads the folder on every call; keeping the answer is the caller's business.
class CameraNodeLister {
public:
    CameraNodeLister(const QString& deviceFolder, const QString& sysRoot);

    // The device folder with symbolic links resolved: the links of a proc fd folder name the
    // nodes that way.
    const QString& deviceFolder() const { return deviceFolder_; }
    // In natural order: video2 before video10.
    std::vector<CameraNode> list() const;

    static bool isCameraNodeName(QByteArrayView name);

private:
    QString displayName(const QString& nodeName) const;
    QString devicePath(const QString& nodeName) const;

    QString deviceFolder_;
    QString nameFolder_; // <sys>/class/video4linux
};

} // namespace ostrel
