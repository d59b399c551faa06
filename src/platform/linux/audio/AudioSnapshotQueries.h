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
// A recording stream counts as use of its source unless it is a level meter (a stream that
// asked for peaks, or one of a volume control's executables), one of Ostrel's own streams,
// paused, or the sound server's own (a module's, or one a sound server process opened). Who
// owns a stream is decided once, when the snapshot is taken in (decideOwners).
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
    // Who records from any microphone, the default one's recorders first, each once: the
    // processes, and the names of those the rule could not tie to a process.
    std::vector<qint32> holderPids() const;
    std::vector<QString> unnamedHolders() const;

    // The indexes of the streams that count as use, ascending.
    std::vector<quint32> countingOutputs() const;
    bool countsAsUse(const AudioSourceOutput& output) const;

    // Decides the owner of every client and stream of the snapshot.
    static void decideOwners(AudioSnapshot& snapshot, const StreamOwnerRule& rule);

private:
    const AudioSource* sourceFor(AudioDeviceId device) const;
    const AudioClient* clientOf(const AudioSourceOutput& output) const;
    bool hasCountingOutput(quint32 sourceIndex) const;
    // The counting streams' owners, default microphone first, in stream order.
    std::vector<StreamOwner> recordingOwners() const;

    const AudioSnapshot& snapshot_;
    qint32 ownPid_;
};

} // namespace ostrel
