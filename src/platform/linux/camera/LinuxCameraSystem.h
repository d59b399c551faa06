#pragma once

#include "platform/CameraSystem.h"
#include "platform/linux/camera/LinuxCameraService.h"

namespace ostrel {

// The cameras below the capture layer on Linux: the V4L2 devices, numbered as their nodes
// (/dev/video2 is device 2). A device runs while the camera service finds its node in use, by
// a holder it sees or one it cannot inspect. The device list listener hears cameras appear and
// disappear.
class LinuxCameraSystem final : public CameraSystem, private CameraObserver {
public:
    explicit LinuxCameraSystem(LinuxCameraService& cameras);
    ~LinuxCameraSystem() override;
    LinuxCameraSystem(const LinuxCameraSystem&) = delete;
    LinuxCameraSystem& operator=(const LinuxCameraSystem&) = delete;

    quint32 systemObjectId() const override { return 0; }
    StatusAnswer<std::vector<quint32>> deviceIds() override;
    StatusAnswer<bool> isDeviceRunning(quint32 deviceId) override;
    std::optional<QString> deviceName(quint32 deviceId) override;
    qint32 addDeviceListListener(Listener listener) override;
    void removeDeviceListListener() override;

    // The device number of a node path such as /dev/video2; none for other names.
    static std::optional<quint32> deviceNumber(const QString& nodePath);

private:
    std::optional<CameraNode> node(quint32 deviceId);
    void cameraConnected() override;
    void cameraDisconnected() override;
    void deviceListChanged();

    LinuxCameraService& cameras_;
    Listener listener_;
};

} // namespace ostrel
