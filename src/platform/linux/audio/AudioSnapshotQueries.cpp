#include "platform/linux/audio/AudioSnapshotQueries.h"

#include "platform/linux/audio/SoundServerNames.h"

#include <QStringList>
#include <algorithm>

namespace ostrel {
namespace {

// Application ids of the volume controls whose level meters record from every source.
const QStringList& volumeControlIds() {
    static const QStringList ids{
        QStringLiteral("org.PulseAudio.pavucontrol"),
        QStringLiteral("org.gnome.VolumeControl"),
        QStringLiteral("org.mate.VolumeControl"),
        QStringLiteral("org.kde.plasma-pa"),
        QStringLiteral("org.kde.kmix"),
        QStringLiteral("org.kde.kmixd"),
    };
    return ids;
}

quint32 objectId(quint32 index) {
    return index + 1;
}

} // namespace

AudioSnapshotQueries::AudioSnapshotQueries(const AudioSnapshot& snapshot, qint32 ownPid)
    : snapshot_(snapshot), ownPid_(ownPid) {}

bool AudioSnapshotQueries::isVolumeControl(const QString& applicationId) {
    return volumeControlIds().contains(applicationId);
}

const AudioSource* AudioSnapshotQueries::sourceFor(AudioDeviceId device) const {
    if (device == 0) {
        return nullptr;
    }
    const auto found = snapshot_.sources.find(device - 1);
    return found == snapshot_.sources.end() ? nullptr : &found->second;
}

const AudioClient* AudioSnapshotQueries::clientOf(const AudioSourceOutput& output) const {
    if (!output.clientIndex) {
        return nullptr;
    }
    const auto found = snapshot_.clients.find(*output.clientIndex);
    return found == snapshot_.clients.end() ? nullptr : &found->second;
}

std::optional<qint32> AudioSnapshotQueries::processIdOf(const AudioSourceOutput& output) const {
    const AudioClient* client = clientOf(output);
    if (client && client->peerProcessId) {
        return client->peerProcessId;
    }
    if (output.processId) {
        return output.processId;
    }
    return client ? client->processId : std::nullopt;
}

bool AudioSnapshotQueries::countsAsUse(const AudioSourceOutput& output) const {
    if (output.isCorked || output.isLevelMeter || isVolumeControl(output.applicationId) ||
        isSoundServerProcessName(output.processBinary)) {
        return false;
    }
    // A stream without a client belongs to a module of the server (a loopback, an echo
    // canceller feeding a source of its own, whose recorders count there).
    const AudioClient* client = clientOf(output);
    if (!output.clientIndex || (client && (isVolumeControl(client->applicationId) ||
                                           isSoundServerProcessName(client->processBinary)))) {
        return false;
    }
    return processIdOf(output) != ownPid_;
}

bool AudioSnapshotQueries::hasCountingOutput(quint32 sourceIndex) const {
    return std::any_of(
        snapshot_.sourceOutputs.begin(), snapshot_.sourceOutputs.end(), [&](const auto& entry) {
            return entry.second.sourceIndex == sourceIndex && countsAsUse(entry.second);
        });
}

std::vector<CaptureDevice> AudioSnapshotQueries::microphones() const {
    std::vector<CaptureDevice> devices;
    for (const auto& [index, source] : snapshot_.sources) {
        if (source.isMonitor) {
            continue;
        }
        CaptureDevice device;
        device.localizedName = source.description.isEmpty() ? source.name : source.description;
        device.uniqueID = source.name;
        device.isInUseByAnotherApplication = hasCountingOutput(index);
        device.isConnected = true;
        devices.push_back(std::move(device));
    }
    return devices;
}

AudioDeviceId AudioSnapshotQueries::defaultInputDevice() const {
    for (const auto& [index, source] : snapshot_.sources) {
        if (source.name == snapshot_.defaultSourceName) {
            return source.isMonitor ? 0 : objectId(index);
        }
    }
    return 0;
}

std::optional<bool> AudioSnapshotQueries::isRunningSomewhere(AudioDeviceId device) const {
    const AudioSource* source = sourceFor(device);
    if (!source) {
        return std::nullopt;
    }
    if (hasCountingOutput(source->index)) {
        return true;
    }
    // A running source with no stream at all is read by something the server does not show;
    // one whose only streams are meters or Ostrel's own is not in use.
    const bool hasAnyOutput =
        std::any_of(snapshot_.sourceOutputs.begin(), snapshot_.sourceOutputs.end(),
                    [&](const auto& entry) { return entry.second.sourceIndex == source->index; });
    return source->isRunning && !hasAnyOutput;
}

std::optional<std::vector<quint32>> AudioSnapshotQueries::inputStreams(AudioDeviceId device) const {
    const AudioSource* source = sourceFor(device);
    if (!source) {
        return std::nullopt;
    }
    std::vector<quint32> streams;
    for (const auto& [index, output] : snapshot_.sourceOutputs) {
        if (output.sourceIndex == source->index && countsAsUse(output)) {
            streams.push_back(objectId(index));
        }
    }
    return streams;
}

quint32 AudioSnapshotQueries::clientObjectForPid(qint32 pid) const {
    for (const auto& [index, client] : snapshot_.clients) {
        if (client.peerProcessId == pid || (!client.peerProcessId && client.processId == pid)) {
            return objectId(index);
        }
    }
    return 0;
}

std::vector<qint32> AudioSnapshotQueries::holderPids() const {
    const AudioSource* source = sourceFor(defaultInputDevice());
    std::vector<qint32> pids;
    if (!source) {
        return pids;
    }
    for (const auto& [index, output] : snapshot_.sourceOutputs) {
        if (output.sourceIndex != source->index || !countsAsUse(output)) {
            continue;
        }
        const std::optional<qint32> pid = processIdOf(output);
        if (pid && *pid > 0 && std::find(pids.begin(), pids.end(), *pid) == pids.end()) {
            pids.push_back(*pid);
        }
    }
    return pids;
}

std::vector<quint32> AudioSnapshotQueries::countingOutputs() const {
    std::vector<quint32> indexes;
    for (const auto& [index, output] : snapshot_.sourceOutputs) {
        if (countsAsUse(output)) {
            indexes.push_back(index);
        }
    }
    return indexes;
}

} // namespace ostrel
