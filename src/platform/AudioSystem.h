#pragma once

#include "base/WeakRef.h"
#include "platform/CaptureDevice.h"
#include "platform/StatusAnswer.h"

#include <QString>
#include <QtGlobal>
#include <vector>

namespace ostrel {

using AudioDeviceId = quint32; // 0 means no device

template <class T> using AudioAnswer = StatusAnswer<T>;

class AudioSystemObserver : public LifetimeTracked {
public:
    virtual void inputDeviceConnected() {}
    virtual void inputDeviceDisconnected() {}
    // The audio service went away and came back; everything it said before may be stale.
    virtual void mediaServicesReset() {}
    // A recording stream started or ended: a check now sees it sooner than the next tick.
    virtual void microphoneUsageMayHaveChanged() {}

protected:
    ~AudioSystemObserver() = default;
};

// The machine's sound service: microphones, the default input and who records from it.
// Events reach observers on the main thread.
class AudioSystem {
public:
    virtual ~AudioSystem() = default;

    virtual std::vector<CaptureDevice> microphones() = 0;
    virtual AuthorizationStatus authorizationStatus() = 0;

    virtual AudioAnswer<AudioDeviceId> defaultInputDevice() = 0;
    // True while any process records from the device.
    virtual AudioAnswer<bool> isRunningSomewhere(AudioDeviceId device) = 0;
    // The pid holding the device exclusively, -1 when none.
    virtual AudioAnswer<qint32> exclusiveOwner(AudioDeviceId device) = 0;
    // The recording streams attached to the device.
    virtual AudioAnswer<std::vector<quint32>> inputStreams(AudioDeviceId device) = 0;
    // The audio-system client object of a process, 0 when the process is no audio client.
    virtual AudioAnswer<quint32> clientObjectForPid(qint32 pid) = 0;
    // Processes other than Ostrel that record from the default input, in a stable order;
    // empty when none does or the system cannot tell.
    virtual std::vector<qint32> holderPids() = 0;
    // Whether holderPids() is the system's knowledge right now, so that an empty list means
    // that nobody records.
    virtual bool canNameHolders() { return true; }
    // Recorders the system knows of but cannot tie to a process, as names to show, for
    // example "parecord (unverified)"; asked when holderPids() names nobody.
    virtual std::vector<QString> unnamedHolders() { return {}; }

    virtual void addObserver(AudioSystemObserver* observer) = 0;
    virtual void removeObserver(AudioSystemObserver* observer) = 0;
};

} // namespace ostrel
