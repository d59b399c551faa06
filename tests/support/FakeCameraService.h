#pragma once

#include "base/ObserverList.h"
#include "platform/CameraService.h"

namespace ostrel {

class FakeCameraService final : public CameraService {
public:
    std::vector<CaptureDevice> cameras() override { return devices; }
    AuthorizationStatus authorizationStatus() override { return authorization; }
    std::vector<qint32> holderPids() override { return holders; }
    bool canNameHolders() override { return canTell; }
    std::vector<QString> unnamedHolders() override { return unnamed; }
    void addObserver(CameraObserver* observer) override { observers.add(observer); }
    void removeObserver(CameraObserver* observer) override { observers.remove(observer); }

    std::vector<CaptureDevice> devices;
    AuthorizationStatus authorization = AuthorizationStatus::Authorized;
    std::vector<qint32> holders;
    bool canTell = true;
    std::vector<QString> unnamed;
    ObserverList<CameraObserver> observers;
};

} // namespace ostrel
