#include "platform/linux/camera/LinuxCameraSystem.h"

#include <QFileInfo>

namespace ostrel {

// Status of a question about a device that is not there.
constexpr qint32 kNoSuchDevice = -1;

LinuxCameraSystem::LinuxCameraSystem(LinuxCameraService& cameras) : cameras_(cameras) {}

LinuxCameraSystem::~LinuxCameraSystem() {
    removeDeviceListListener();
}

std::optional<quint32> LinuxCameraSystem::deviceNumber(const QString& nodePath) {
    const QString name = QFileInfo(nodePath).fileName();
    if (!name.startsWith(QStringLiteral("video"))) {
        return std::nullopt;
    }
    bool ok = false;
    const uint number = name.mid(5).toUInt(&ok, 10);
    return ok ? std::optional<quint32>(number) : std::nullopt;
}

std::optional<CameraNode> LinuxCameraSystem::node(quint32 deviceId) {
    for (const CameraNode& candidate : cameras_.nodes()) {
        if (deviceNumber(candidate.path) == deviceId) {
            return candidate;
        }
    }
    return std::nullopt;
}

StatusAnswer<std::vector<quint32>> LinuxCameraSystem::deviceIds() {
    std::vector<quint32> ids;
    for (const CameraNode& candidate : cameras_.nodes()) {
        if (const std::optional<quint32> number = deviceNumber(candidate.path)) {
            ids.push_back(*number);
        }
    }
    return {0, ids};
}

StatusAnswer<bool> LinuxCameraSystem::isDeviceRunning(quint32 deviceId) {
    const std::optional<CameraNode> found = node(deviceId);
    if (!found) {
        return {kNoSuchDevice, false};
    }
    return {0, cameras_.isNodeInUse(found->path)};
}

std::optional<QString> LinuxCameraSystem::deviceName(quint32 deviceId) {
    const std::optional<CameraNode> found = node(deviceId);
    return found ? std::optional(found->displayName) : std::nullopt;
}

qint32 LinuxCameraSystem::addDeviceListListener(Listener listener) {
    if (!listener_) {
        cameras_.addObserver(this);
    }
    listener_ = std::move(listener);
    return 0;
}

void LinuxCameraSystem::removeDeviceListListener() {
    if (listener_) {
        cameras_.removeObserver(this);
        listener_ = nullptr;
    }
}

void LinuxCameraSystem::cameraConnected() {
    deviceListChanged();
}

void LinuxCameraSystem::cameraDisconnected() {
    deviceListChanged();
}

void LinuxCameraSystem::deviceListChanged() {
    if (listener_) {
        listener_(systemObjectId(), {{CameraSystemChange::Kind::DeviceList, 0}});
    }
}

} // namespace ostrel
