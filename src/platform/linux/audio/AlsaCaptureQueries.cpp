#include "platform/linux/audio/AlsaCaptureQueries.h"

#include "platform/linux/audio/SoundServerNames.h"

#include <algorithm>

namespace ostrel {

AlsaCaptureQueries::AlsaCaptureQueries(const std::vector<AlsaCapturePcm>& pcms, qint32 ownPid)
    : pcms_(pcms), ownPid_(ownPid) {}

std::vector<CaptureDevice> AlsaCaptureQueries::microphones() const {
    std::vector<CaptureDevice> devices;
    for (const AlsaCapturePcm& pcm : pcms_) {
        CaptureDevice device;
        device.localizedName = pcm.name;
        device.uniqueID = pcm.alsaName();
        device.isInUseByAnotherApplication =
            std::any_of(pcm.substreams.begin(), pcm.substreams.end(),
                        [this](const AlsaCaptureSubstream& substream) {
                            return substream.isRunning && substream.ownerPid != ownPid_;
                        });
        device.isConnected = true;
        devices.push_back(std::move(device));
    }
    return devices;
}

qint32 AlsaCaptureQueries::exclusiveOwner() const {
    for (const AlsaCapturePcm& pcm : pcms_) {
        for (const AlsaCaptureSubstream& substream : pcm.substreams) {
            if (substream.isRunning && substream.ownerPid &&
                !isSoundServerProcessName(substream.ownerName)) {
                return *substream.ownerPid;
            }
        }
    }
    return -1;
}

std::vector<qint32> AlsaCaptureQueries::holderPids() const {
    std::vector<qint32> pids;
    for (const AlsaCapturePcm& pcm : pcms_) {
        for (const AlsaCaptureSubstream& substream : pcm.substreams) {
            if (!substream.isRunning || !substream.ownerPid || *substream.ownerPid == ownPid_ ||
                isSoundServerProcessName(substream.ownerName)) {
                continue;
            }
            if (std::find(pids.begin(), pids.end(), *substream.ownerPid) == pids.end()) {
                pids.push_back(*substream.ownerPid);
            }
        }
    }
    return pids;
}

bool AlsaCaptureQueries::namesEveryRecorder() const {
    for (const AlsaCapturePcm& pcm : pcms_) {
        for (const AlsaCaptureSubstream& substream : pcm.substreams) {
            if (substream.isRunning &&
                (!substream.ownerPid || isSoundServerProcessName(substream.ownerName))) {
                return false;
            }
        }
    }
    return true;
}

} // namespace ostrel
