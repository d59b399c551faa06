// The questions the detector asks about the microphone every 0.25 s: the microphone list and
// the default input's running state. Answered from the sound server's snapshot in memory, and,
// without a server, from the kernel's ALSA files; and who records, from a PipeWire graph of
// thousands of nodes.
#include "platform/linux/audio/AlsaCaptureQueries.h"
#include "platform/linux/audio/AlsaCaptureStatus.h"
#include "platform/linux/audio/AudioSnapshotQueries.h"
#include "platform/linux/pipewire/PipeWireGraphQueries.h"

#include <benchmark/benchmark.h>

using namespace ostrel;

namespace {

// A busy desktop: 4 microphones, 4 output monitors, 30 clients and 12 recording streams.
AudioSnapshot busyDesktop() {
    AudioSnapshot snapshot;
    for (quint32 index = 0; index < 8; ++index) {
        const bool monitor = index % 2 == 1;
        snapshot.sources[index] = {index, QStringLiteral("source_%1").arg(index),
                                   QStringLiteral("Source %1").arg(index), monitor, true};
    }
    snapshot.defaultSourceName = QStringLiteral("source_0");
    for (quint32 index = 0; index < 30; ++index) {
        snapshot.clients[index].index = index;
        snapshot.clients[index].owner = {
            StreamOwner::Kind::Process, qint32(1000 + index), {}, false};
    }
    for (quint32 index = 0; index < 12; ++index) {
        AudioSourceOutput output;
        output.index = index;
        output.sourceIndex = index % 8;
        output.clientIndex = index * 2;
        output.owner = {StreamOwner::Kind::Process, qint32(1000 + index * 2), {}, false};
        snapshot.sourceOutputs[index] = output;
    }
    return snapshot;
}

void BM_CheckFromServerSnapshot(benchmark::State& state) {
    const AudioSnapshot snapshot = busyDesktop();
    for (auto _ : state) {
        const AudioSnapshotQueries queries(snapshot, 4000);
        benchmark::DoNotOptimize(queries.microphones());
        benchmark::DoNotOptimize(queries.isRunningSomewhere(queries.defaultInputDevice()));
    }
}
BENCHMARK(BM_CheckFromServerSnapshot);

void BM_CheckFromAlsaFiles(benchmark::State& state) {
    const AlsaCaptureStatus alsa(QStringLiteral(OSTREL_AUDIO_FIXTURES "/busy/asound"),
                                 QStringLiteral(OSTREL_AUDIO_FIXTURES "/busy/proc"));
    for (auto _ : state) {
        const std::vector<AlsaCapturePcm> pcms = alsa.capturePcms();
        benchmark::DoNotOptimize(AlsaCaptureQueries(pcms, 4000).microphones());
    }
}
BENCHMARK(BM_CheckFromAlsaFiles);

// A graph of `size` nodes: a thirtieth of them microphones, the rest input streams of as
// many clients, each linked by two channels, every tenth one running.
PipeWireGraph graphOf(quint32 size) {
    PipeWireGraph graph;
    graph.defaultSourceName = QStringLiteral("mic0");
    const quint32 microphones = size / 30;
    for (quint32 id = 0; id < size; ++id) {
        PipeWireNodeInfo& node = graph.nodes[id];
        node.id = id;
        node.name = QStringLiteral("mic%1").arg(id);
        node.mediaClass = id < microphones ? QStringLiteral("Audio/Source")
                                           : QStringLiteral("Stream/Input/Audio");
        node.state =
            id % 10 == 0 ? PipeWireNodeInfo::State::Running : PipeWireNodeInfo::State::Idle;
        if (id >= microphones) {
            node.clientId = 10000 + id;
            graph.clients[10000 + id] = {10000 + id, qint32(id), {}, {}, {}, {}};
            for (quint32 channel = 0; channel < 2; ++channel) {
                const quint32 link = 20000 + id * 2 + channel;
                graph.links[link] = {link, id % microphones, id};
            }
        }
    }
    return graph;
}

// What a graph change costs: the graph in the sound server's shape, owners decided.
void BM_PipeWireGraphTakenIn(benchmark::State& state) {
    const PipeWireGraph graph = graphOf(quint32(state.range(0)));
    const StreamOwnerRule rule(QStringLiteral("/nonexistent"));
    for (auto _ : state) {
        AudioSnapshot snapshot = PipeWireGraphQueries(graph).audioSnapshot();
        AudioSnapshotQueries::decideOwners(snapshot, rule);
        benchmark::DoNotOptimize(snapshot);
    }
}
BENCHMARK(BM_PipeWireGraphTakenIn)->Arg(60)->Arg(3000)->Unit(benchmark::kMicrosecond);

// One question the detector asks between changes: who records.
void BM_HoldersFromPipeWireGraph(benchmark::State& state) {
    AudioSnapshot snapshot = PipeWireGraphQueries(graphOf(quint32(state.range(0)))).audioSnapshot();
    AudioSnapshotQueries::decideOwners(snapshot, StreamOwnerRule(QStringLiteral("/nonexistent")));
    for (auto _ : state) {
        benchmark::DoNotOptimize(AudioSnapshotQueries(snapshot, 4000).holderPids());
    }
    state.counters["holders"] = double(AudioSnapshotQueries(snapshot, 4000).holderPids().size());
}
BENCHMARK(BM_HoldersFromPipeWireGraph)->Arg(60)->Arg(3000)->Unit(benchmark::kMicrosecond);

} // namespace
