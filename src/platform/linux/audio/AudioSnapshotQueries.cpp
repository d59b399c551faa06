#include "platform/linux/audio/AudioSnapshotQueries.h"

#include <QSet>
#include <algorithm>

namespace ostrel {
namespace {

quint32 objectId(quint32 index) {
    return index + 1;
}

} // namespace

AudioSnapshotQueries::AudioSnapshotQueries(const AudioSnapshot& snapshot, qint32 ownPid)
    : snapshot_(snapshot), ownPid_(ownPid) {}

void AudioSnapshotQueries::decideOwners(AudioSnapshot& snapshot, const StreamOwnerRule& rule) {
    for (auto& [index, client] : snapshot.clients) {
        client.owner = rule.ownerOf({client.peerProcessId, client.processId, client.processBinary,
                                     client.applicationName, client.portalAppId});
    }
    for (auto& [index, output] : snapshot.sourceOutputs) {
        const auto client = output.clientIndex ? snapshot.clients.find(*output.clientIndex)
                                               : snapshot.clients.end();
        const bool hasClient = client != snapshot.clients.end();
        // A stream may state its own process; the socket's pid is still its client's.
        if (hasClient && !output.processId && output.processBinary.isEmpty()) {
            output.owner = client->second.owner;
            continue;
        }
        StreamClaim claim{std::nullopt, output.processId, output.processBinary, {}, {}};
        if (hasClient) {
            const AudioClient& owner = client->second;
            claim.peerProcessId = owner.peerProcessId;
            claim.declaredProcessId = output.processId ? output.processId : owner.processId;
            if (claim.declaredBinary.isEmpty()) {
                claim.declaredBinary = owner.processBinary;
            }
            claim.applicationName = owner.applicationName;
            claim.portalAppId = owner.portalAppId;
        }
        output.owner = rule.ownerOf(claim);
    }
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

bool AudioSnapshotQueries::countsAsUse(const AudioSourceOutput& output) const {
    // A stream without a client belongs to a module of the server (a loopback, an echo
    // canceller feeding a source of its own, whose recorders count there).
    if (output.isCorked || output.isLevelMeter || !output.clientIndex) {
        return false;
    }
    const StreamOwner& owner = output.owner;
    return owner.kind != StreamOwner::Kind::SoundServer && !owner.isVolumeControl &&
           !(owner.kind == StreamOwner::Kind::Process && owner.pid == ownPid_);
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
        if (client.owner.kind == StreamOwner::Kind::Process && client.owner.pid == pid) {
            return objectId(index);
        }
    }
    return 0;
}

std::vector<StreamOwner> AudioSnapshotQueries::recordingOwners() const {
    const AudioSource* preferred = sourceFor(defaultInputDevice());
    std::vector<StreamOwner> first;
    std::vector<StreamOwner> others;
    for (const auto& [index, output] : snapshot_.sourceOutputs) {
        const auto source = snapshot_.sources.find(output.sourceIndex);
        if (source != snapshot_.sources.end() && !source->second.isMonitor && countsAsUse(output)) {
            (preferred == &source->second ? first : others).push_back(output.owner);
        }
    }
    first.insert(first.end(), others.begin(), others.end());
    std::vector<StreamOwner> owners;
    QSet<QString> seen;
    for (StreamOwner& owner : first) {
        const QString key = QString::number(owner.pid) + owner.name;
        if (!seen.contains(key)) {
            seen.insert(key);
            owners.push_back(std::move(owner));
        }
    }
    return owners;
}

std::vector<qint32> AudioSnapshotQueries::holderPids() const {
    std::vector<qint32> pids;
    for (const StreamOwner& owner : recordingOwners()) {
        if (owner.kind == StreamOwner::Kind::Process && owner.pid > 0) {
            pids.push_back(owner.pid);
        }
    }
    return pids;
}

std::vector<QString> AudioSnapshotQueries::unnamedHolders() const {
    std::vector<QString> names;
    for (const StreamOwner& owner : recordingOwners()) {
        if (owner.kind == StreamOwner::Kind::Unverified) {
            names.push_back(owner.name);
        }
    }
    return names;
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
