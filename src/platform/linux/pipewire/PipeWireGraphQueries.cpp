#include "platform/linux/pipewire/PipeWireGraphQueries.h"

#include <algorithm>

namespace ostrel {
namespace {

bool isAudioSource(const PipeWireNodeInfo& node) {
    return node.mediaClass == u"Audio/Source" || node.mediaClass == u"Audio/Source/Virtual";
}

bool isCameraSource(const PipeWireNodeInfo& node) {
    return node.mediaClass == u"Video/Source";
}

} // namespace

const PipeWireNodeInfo* PipeWireGraphQueries::node(quint32 id) const {
    const auto found = graph_.nodes.find(id);
    return found == graph_.nodes.end() ? nullptr : &found->second;
}

bool PipeWireGraphQueries::hasAudioSource() const {
    return std::any_of(graph_.nodes.begin(), graph_.nodes.end(),
                       [](const auto& entry) { return isAudioSource(entry.second); });
}

AudioSnapshot PipeWireGraphQueries::audioSnapshot() const {
    AudioSnapshot snapshot;
    snapshot.defaultSourceName = graph_.defaultSourceName;
    for (const auto& [id, source] : graph_.nodes) {
        if (isAudioSource(source)) {
            snapshot.sources[id] = {id, source.name, source.description, false,
                                    source.state == PipeWireNodeInfo::State::Running};
        }
    }
    for (const auto& [id, link] : graph_.links) {
        const PipeWireNodeInfo* stream = node(link.inputNode);
        if (!snapshot.sources.count(link.outputNode) || !stream ||
            stream->mediaClass != u"Stream/Input/Audio" ||
            snapshot.sourceOutputs.count(stream->id)) {
            continue;
        }
        AudioSourceOutput output;
        output.index = stream->id;
        output.sourceIndex = link.outputNode;
        output.clientIndex = stream->clientId;
        output.processId = stream->declaredProcessId;
        output.processBinary = stream->declaredBinary;
        output.isCorked = stream->state != PipeWireNodeInfo::State::Running;
        output.isLevelMeter = stream->isLevelMeter;
        snapshot.sourceOutputs[stream->id] = std::move(output);
    }
    for (const auto& [id, client] : graph_.clients) {
        AudioClient& entry = snapshot.clients[id];
        entry.index = id;
        entry.peerProcessId = client.peerProcessId;
        entry.processId = client.declaredProcessId;
        entry.processBinary = client.declaredBinary;
        entry.applicationName = client.applicationName;
        entry.portalAppId = client.portalAppId;
    }
    return snapshot;
}

std::vector<const PipeWireNodeInfo*> PipeWireGraphQueries::cameraSources() const {
    std::vector<const PipeWireNodeInfo*> sources;
    for (const auto& [id, candidate] : graph_.nodes) {
        if (isCameraSource(candidate)) {
            sources.push_back(&candidate);
        }
    }
    return sources;
}

StreamClaim PipeWireGraphQueries::claimOf(const PipeWireNodeInfo& stream) const {
    StreamClaim claim{std::nullopt, stream.declaredProcessId, stream.declaredBinary, {}, {}};
    if (const auto client = graph_.clients.find(*stream.clientId); client != graph_.clients.end()) {
        const PipeWireClientInfo& info = client->second;
        claim.peerProcessId = info.peerProcessId;
        if (info.declaredProcessId) {
            claim.declaredProcessId = info.declaredProcessId;
        }
        if (!info.declaredBinary.isEmpty()) {
            claim.declaredBinary = info.declaredBinary;
        }
        claim.applicationName = info.applicationName;
        claim.portalAppId = info.portalAppId;
    }
    return claim;
}

// The stream a link feeds from a camera source, when it is a program's running video input.
const PipeWireNodeInfo* PipeWireGraphQueries::cameraStreamOf(const PipeWireLinkInfo& link) const {
    const PipeWireNodeInfo* source = node(link.outputNode);
    const PipeWireNodeInfo* stream = node(link.inputNode);
    if (!source || !isCameraSource(*source) || !stream || !stream->clientId ||
        !stream->mediaClass.startsWith(u"Stream/Input/Video") ||
        stream->state != PipeWireNodeInfo::State::Running) {
        return nullptr;
    }
    return stream;
}

std::vector<StreamClaim> PipeWireGraphQueries::cameraConsumers() const {
    std::vector<quint32> streams;
    std::vector<StreamClaim> claims;
    for (const auto& [id, link] : graph_.links) {
        const PipeWireNodeInfo* stream = cameraStreamOf(link);
        if (stream && std::find(streams.begin(), streams.end(), stream->id) == streams.end()) {
            streams.push_back(stream->id);
            claims.push_back(claimOf(*stream));
        }
    }
    return claims;
}

bool PipeWireGraphQueries::isConsumed(quint32 cameraSourceId) const {
    return std::any_of(graph_.links.begin(), graph_.links.end(), [&](const auto& entry) {
        return entry.second.outputNode == cameraSourceId && cameraStreamOf(entry.second);
    });
}

} // namespace ostrel
