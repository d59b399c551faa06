#pragma once

#include "base/WeakRef.h"
#include "platform/CaptureDevice.h"

#include <QString>
#include <QtGlobal>
#include <vector>

namespace ostrel {

class CameraObserver : public LifetimeTracked {
public:
    virtual void cameraConnected() {}
    virtual void cameraDisconnected() {}
    // A camera was opened or closed: a check now sees it sooner than the next tick.
    virtual void cameraUsageMayHaveChanged() {}

protected:
    ~CameraObserver() = default;
};

// The cameras of the machine and who uses them. Events reach observers on the main thread.
class CameraService {
public:
    virtual ~CameraService() = default;

    virtual std::vector<CaptureDevice> cameras() = 0;
    virtual AuthorizationStatus authorizationStatus() = 0;
    // Processes other than Ostrel that hold a camera open, in a stable order; empty when
    // none does or the system cannot tell.
    virtual std::vector<qint32> holderPids() = 0;
    // Whether holderPids() is the system's knowledge, so that an empty list means that
    // nobody holds a camera.
    virtual bool canNameHolders() { return true; }
    // Holders the system knows of but cannot tie to a process, as names to show, for example
    // "a process Ostrel cannot inspect"; asked when holderPids() names nobody.
    virtual std::vector<QString> unnamedHolders() { return {}; }

    virtual void addObserver(CameraObserver* observer) = 0;
    virtual void removeObserver(CameraObserver* observer) = 0;
};

} // namespace ostrel
