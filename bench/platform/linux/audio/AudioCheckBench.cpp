// The questions the detector asks about the microphone every 0.25 s: the microphone list and
// the default input's running state. Answered from the sound server's snapshot in memory, and,
// without a server, from the kernel's ALSA files.
#include "platform/linux/audio/AlsaCaptureQueries.h"
#include "platform/linux/audio/AlsaCaptureStatus.h"
#include "platform/linux/audio/AudioSnapshotQueries.h"

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
        snapshot.clients[index] = {index, std::nullopt, qint32(1000 + index), {}, {}};
    }
    for (quint32 index = 0; index < 12; ++index) {
        AudioSourceOutput output;
        output.index = index;
        output.sourceIndex = index % 8;
        output.clientIndex = index * 2;
        output.processId = qint32(1000 + index * 2);
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

} // namespace
