#include "advanced/DeviceHolderEvidence.h"

#include <algorithm>

namespace ostrel {

namespace {

bool contains(const std::vector<qint32>& pids, qint32 pid) {
    return std::find(pids.begin(), pids.end(), pid) != pids.end();
}

} // namespace

DeviceHolderEvidence::DeviceHolderEvidence(CameraService& cameras, AudioSystem& audio)
    : cameras_(cameras), audio_(audio) {}

DeviceHolderEvidence::Holders DeviceHolderEvidence::holders() {
    Holders holders;
    if (cameras_.canNameHolders()) {
        holders.camera = cameras_.holderPids();
        std::sort(holders.camera->begin(), holders.camera->end());
    }
    if (audio_.canNameHolders()) {
        holders.microphone = audio_.holderPids();
        std::sort(holders.microphone->begin(), holders.microphone->end());
    }
    return holders;
}

std::optional<bool> DeviceHolderEvidence::holdsCamera(qint32 pid) {
    if (!cameras_.canNameHolders()) {
        return std::nullopt;
    }
    return contains(cameras_.holderPids(), pid);
}

std::optional<bool> DeviceHolderEvidence::holdsMicrophone(qint32 pid) {
    if (!audio_.canNameHolders()) {
        return std::nullopt;
    }
    return contains(audio_.holderPids(), pid);
}

} // namespace ostrel
