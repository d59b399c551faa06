#pragma once

#include "platform/linux/audio/AudioSnapshot.h"
#include "platform/linux/audio/StreamOwner.h"
#include "platform/linux/pipewire/PipeWireGraph.h"

#include <vector>

namespace ostrel {

// The capture questions, answered from one snapshot of the PipeWire graph.
//
// A capture source is an "Audio/Source" or "Audio/Source/Virtual" node (never the monitor of
// an output) or a "Video/Source" node. It is in use while it is linked to a running input
// stream; whose stream it is, is decided from the stream's client by StreamOwnerRule.
class PipeWireGraphQueries {
public:
    explicit PipeWireGraphQueries(const PipeWireGraph& graph) : graph_(graph) {}

    // The graph in the shape of a sound server's snapshot: the audio sources, the input
    // streams linked to them and every client. Ids are the graph's.
    AudioSnapshot audioSnapshot() const;
    bool hasAudioSource() const;

    std::vector<const PipeWireNodeInfo*> cameraSources() const;
    // What the clients of the running streams linked to a camera source claim, in link
    // order, each stream once. Streams without a client are the daemon's own.
    std::vector<StreamClaim> cameraConsumers() const;
    bool isConsumed(quint32 cameraSourceId) const;

private:
    const PipeWireNodeInfo* node(quint32 id) const;
    StreamClaim claimOf(const PipeWireNodeInfo& stream) const;
    const PipeWireNodeInfo* cameraStreamOf(const PipeWireLinkInfo& link) const;

    const PipeWireGraph& graph_;
};

} // namespace ostrel
