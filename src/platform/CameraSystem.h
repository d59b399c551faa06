#pragma once

#include "platform/StatusAnswer.h"

#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <vector>

namespace ostrel {

// What changed in the camera system.
struct CameraSystemChange {
    enum class Kind { DeviceList, DeviceRunning, Other };
    Kind kind = Kind::DeviceList;
    quint32 code = 0; // the raw property code, for changes Ostrel does not know
};

// The machine's cameras below the capture layer: device numbers, whether a device runs, and
// a listener for changes of the device list. The listener may be called on any thread.
class CameraSystem {
public:
    using Listener = std::function<void(quint32 objectId, const std::vector<CameraSystemChange>&)>;

    virtual ~CameraSystem() = default;

    // The id of the object whose device list changes are listened to.
    virtual quint32 systemObjectId() const = 0;
    virtual StatusAnswer<std::vector<quint32>> deviceIds() = 0;
    virtual StatusAnswer<bool> isDeviceRunning(quint32 deviceId) = 0;
    virtual std::optional<QString> deviceName(quint32 deviceId) = 0;

    // A status of 0 means the listener was added; it replaces any earlier one.
    virtual qint32 addDeviceListListener(Listener listener) = 0;
    virtual void removeDeviceListListener() = 0;
};

} // namespace ostrel
