#pragma once

#include "platform/AudioSystem.h"
#include "platform/CameraService.h"

#include <optional>

namespace ostrel {

// Whether a process holds the camera or records from the microphone, as far as the system
// can tell: nothing when it cannot, so callers fall back to their guesses.
class DeviceHolderEvidence {
public:
    DeviceHolderEvidence(CameraService& cameras, AudioSystem& audio);

    std::optional<bool> holdsCamera(qint32 pid);
    std::optional<bool> holdsMicrophone(qint32 pid);

private:
    CameraService& cameras_;
    AudioSystem& audio_;
};

} // namespace ostrel
