#pragma once

#include "base/ObserverList.h"
#include "platform/AudioSystem.h"

#include <QHash>

namespace ostrel {

class FakeAudioSystem final : public AudioSystem {
public:
    std::vector<CaptureDevice> microphones() override { return devices; }
    AuthorizationStatus authorizationStatus() override { return authorization; }
    AudioAnswer<AudioDeviceId> defaultInputDevice() override { return defaultInput; }
    AudioAnswer<bool> isRunningSomewhere(AudioDeviceId) override { return runningSomewhere; }
    AudioAnswer<qint32> exclusiveOwner(AudioDeviceId) override { return owner; }
    AudioAnswer<std::vector<quint32>> inputStreams(AudioDeviceId) override { return streams; }
    AudioAnswer<quint32> clientObjectForPid(qint32 pid) override {
        return {0, clientObjects.value(pid, 0)};
    }
    std::vector<qint32> holderPids() override { return holders; }
    bool canNameHolders() override { return canTell; }
    std::vector<QString> unnamedHolders() override { return unnamed; }
    void addObserver(AudioSystemObserver* observer) override { observers.add(observer); }
    void removeObserver(AudioSystemObserver* observer) override { observers.remove(observer); }

    std::vector<CaptureDevice> devices;
    AuthorizationStatus authorization = AuthorizationStatus::Authorized;
    AudioAnswer<AudioDeviceId> defaultInput{0, 0};
    AudioAnswer<bool> runningSomewhere{0, false};
    AudioAnswer<qint32> owner{0, -1};
    AudioAnswer<std::vector<quint32>> streams{0, {}};
    QHash<qint32, quint32> clientObjects;
    std::vector<qint32> holders;
    bool canTell = true;
    std::vector<QString> unnamed;
    ObserverList<AudioSystemObserver> observers;
};

} // namespace ostrel
