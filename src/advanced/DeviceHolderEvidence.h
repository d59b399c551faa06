#pragma once

#include "platform/AudioSystem.h"
#include "platform/CameraService.h"

#include <optional>
#include <vector>

namespace ostrel {

// Whether a process holds the camera or records from the microphone, as far as the system
// can tell: nothing when it cannot, so callers fall back to their guesses.
class DeviceHolderEvidence {
public:
    // Every holder the system names, ascending; none for a device whose holders it cannot name.
    struct Holders {
        std::optional<std::vector<qint32>> camera;
        std::optional<std::vector<qint32>> microphone;
        bool operator==(const Holders&) const = default;
    };

    DeviceHolderEvidence(CameraService& cameras, AudioSystem& audio);

    Holders holders();

    std::optional<bool> holdsCamera(qint32 pid);
    std::optional<bool> holdsMicrophone(qint32 pid);

private:
    CameraService& cameras_;
    AudioSystem& audio_;
};

} // namespace ostrel
