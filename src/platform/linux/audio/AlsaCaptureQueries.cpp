#include "platform/linux/audio/AlsaCaptureQueries.h"

#include "platform/linux/audio/SoundServerNames.h"

#include <algorithm>

namespace ostrel {
namespace {

// A process can rename itself but not its executable, so the executable decides; the short
// name stands in only when the executable is hidden, as another user's server's is.
bool looksLikeSoundServer(const AlsaCaptureSubstream& substream) {
    return isSoundServerProcessName(
        substream.ownerExecutable.isEmpty() ? substream.ownerName : substream.ownerExecutable);
}

} // namespace

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
            if (substream.isRunning && substream.ownerPid && !looksLikeSoundServer(substream)) {
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
                looksLikeSoundServer(substream)) {
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
            if (substream.isRunning && (!substream.ownerPid || looksLikeSoundServer(substream))) {
                return false;
            }
        }
    }
    return true;
}

// An owner whose executable cannot be read is left out: it may be another user's sound
// server (a system-wide daemon, the login screen's), which runs the hardware as a matter of
// course.
bool AlsaCaptureQueries::isRawRecording(const AlsaCaptureSubstream& substream) const {
    return substream.isRunning && substream.ownerPid && *substream.ownerPid != ownPid_ &&
           !substream.ownerExecutable.isEmpty() &&
           !isSoundServerProcessName(substream.ownerExecutable);
}

std::vector<qint32> AlsaCaptureQueries::rawRecorderPids() const {
    std::vector<qint32> pids;
    for (const AlsaCapturePcm& pcm : pcms_) {
        for (const AlsaCaptureSubstream& substream : pcm.substreams) {
            if (isRawRecording(substream)) {
                pids.push_back(*substream.ownerPid);
            }
        }
    }
    std::sort(pids.begin(), pids.end());
    pids.erase(std::unique(pids.begin(), pids.end()), pids.end());
    return pids;
}

std::vector<CaptureDevice> AlsaCaptureQueries::rawRecordedMicrophones() const {
    std::vector<CaptureDevice> devices;
    for (const CaptureDevice& device : microphones()) {
        const auto pcm = std::find_if(pcms_.begin(), pcms_.end(), [&](const AlsaCapturePcm& p) {
            return p.alsaName() == device.uniqueID;
        });
        if (pcm != pcms_.end() &&
            std::any_of(pcm->substreams.begin(), pcm->substreams.end(),
                        [this](const AlsaCaptureSubstream& s) { return isRawRecording(s); })) {
            devices.push_back(device);
        }
    }
    return devices;
}

} // namespace ostrel
