#pragma once

#include "platform/CaptureDevice.h"
#include "platform/linux/audio/AlsaCapturePcm.h"

#include <vector>

namespace ostrel {

// The audio questions answered from the ALSA capture devices alone: what Ostrel knows when no
// sound server answers, and who holds a device past the sound server.
class AlsaCaptureQueries {
public:
    AlsaCaptureQueries(const std::vector<AlsaCapturePcm>& pcms, qint32 ownPid);

    // One microphone per capture device, in use while another process runs a substream.
    std::vector<CaptureDevice> microphones() const;
    // The process running a capture substream that is not a sound server, -1 when none: that
    // process records from the hardware directly, past every sound server.
    qint32 exclusiveOwner() const;
    // The processes running capture substreams, neither Ostrel nor a sound server, in device
    // order, without duplicates.
    std::vector<qint32> holderPids() const;
    // Whether every running substream has an owner other than a sound server, so that
    // holderPids() names everyone who records.
    bool namesEveryRecorder() const;
    // The processes recording from the hardware beside a running sound server: owners of
    // running capture substreams, neither Ostrel nor one whose executable is a sound server's
    // or cannot be read, ascending, without duplicates.
    std::vector<qint32> rawRecorderPids() const;
    // The capture devices those processes record from, in use.
    std::vector<CaptureDevice> rawRecordedMicrophones() const;

private:
    bool isRawRecording(const AlsaCaptureSubstream& substream) const;

    const std::vector<AlsaCapturePcm>& pcms_;
    qint32 ownPid_;
};

} // namespace ostrel
