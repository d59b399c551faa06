#pragma once

#include "platform/CameraSystem.h"

#include <QHash>
#include <QSet>

namespace ostrel {

class FakeCameraSystem final : public CameraSystem {
public:
    quint32 systemObjectId() const override { return 1; }
    StatusAnswer<std::vector<quint32>> deviceIds() override { return devices; }
    StatusAnswer<bool> isDeviceRunning(quint32 deviceId) override {
        return {0, running.contains(deviceId)};
    }
    std::optional<QString> deviceName(quint32 deviceId) override {
        auto found = names.constFind(deviceId);
        return found == names.constEnd() ? std::nullopt : std::optional(*found);
    }
    qint32 addDeviceListListener(Listener newListener) override {
        if (addStatus == 0) {
            listener = std::move(newListener);
        }
        return addStatus;
    }
    void removeDeviceListListener() override { listener = nullptr; }

    StatusAnswer<std::vector<quint32>> devices{0, {}};
    QSet<quint32> running;
    QHash<quint32, QString> names;
    qint32 addStatus = 0;
    Listener listener;
};

} // namespace ostrel
