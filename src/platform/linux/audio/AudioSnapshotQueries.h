#pragma once

#include "platform/AudioSystem.h"
#include "platform/linux/audio/AudioSnapshot.h"

#include <optional>
#include <vector>

namespace ostrel {

// The audio questions Ostrel asks, answered from one snapshot of the sound server.
//
// Ids: a device id is the source index + 1, a stream id the source-output index + 1 and a
// client object the client index + 1, so 0 never names a real object (the server counts from
// 0 and 0 means "none" to the detector).
//
// A recording stream counts as use of its source unless it is a volume control's level meter,
// one of Ostrel's own streams, paused, or the sound server's own (a module's, or one a sound
// server process opened).
class AudioSnapshotQueries {
public:
    AudioSnapshotQueries(const AudioSnapshot& snapshot, qint32 ownPid);

    // The sources that are not monitors of an output.
    std::vector<CaptureDevice> microphones() const;
    // The default source, 0 when there is none or it is a monitor: a monitor carries what is
    // played, and calling it the input would report every played sound as microphone use.
    AudioDeviceId defaultInputDevice() const;
    bool hasDevice(AudioDeviceId device) const { return sourceFor(device) != nullptr; }
    // Empty when the server has no such source.
    std::optional<bool> isRunningSomewhere(AudioDeviceId device) const;
    std::optional<std::vector<quint32>> inputStreams(AudioDeviceId device) const;
    quint32 clientObjectForPid(qint32 pid) const;
    std::vector<qint32> holderPids() const;

    // The indexes of the streams that count as use, ascending.
    std::vector<quint32> countingOutputs() const;
    bool countsAsUse(const AudioSourceOutput& output) const;
    // Who records through the stream: the pid the server saw on its socket, else the pid the
    // stream or its client states.
    std::optional<qint32> processIdOf(const AudioSourceOutput& output) const;

    static bool isVolumeControl(const QString& applicationId);

private:
    const AudioSource* sourceFor(AudioDeviceId device) const;
    const AudioClient* clientOf(const AudioSourceOutput& output) const;
    bool hasCountingOutput(quint32 sourceIndex) const;

    const AudioSnapshot& snapshot_;
    qint32 ownPid_;
};

} // namespace ostrel
