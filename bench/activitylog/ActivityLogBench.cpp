#include "support/FullActivityLog.h"

#include <benchmark/benchmark.h>

using namespace ostrel;

namespace {

using FullStore = FullActivityLogStore;

} // namespace

// A whole save as the store makes it: backup copy, encoding, temporary file synced to
// disk, rename.
static void BM_SaveLog10000(benchmark::State& state) {
    FullStore store;
    for (auto _ : state) {
        store.logger->forceSave();
    }
}
BENCHMARK(BM_SaveLog10000)->Unit(benchmark::kMillisecond);

// A whole load as wake makes it: read, strict decoding, validity filter.
static void BM_LoadLog10000(benchmark::State& state) {
    FullStore store;
    for (auto _ : state) {
        store.logger->systemDidWake();
    }
    if (store.logger->logs().size() != ActivityLogger::maxLogEntries) {
        state.SkipWithError("the log did not load");
    }
}
BENCHMARK(BM_LoadLog10000)->Unit(benchmark::kMillisecond);

static void BM_EncodeLogFile10000(benchmark::State& state) {
    const QList<ActivityLogEntry> entries = fullActivityLog(QDateTime::currentDateTimeUtc());
    for (auto _ : state) {
        benchmark::DoNotOptimize(ActivityLogFileFormat::encodeLogFile(entries));
    }
}
BENCHMARK(BM_EncodeLogFile10000)->Unit(benchmark::kMillisecond);

static void BM_DecodeLogFile10000(benchmark::State& state) {
    const QByteArray bytes =
        ActivityLogFileFormat::encodeLogFile(fullActivityLog(QDateTime::currentDateTimeUtc()));
    for (auto _ : state) {
        benchmark::DoNotOptimize(ActivityLogFileFormat::decodeLogFile(bytes));
    }
}
BENCHMARK(BM_DecodeLogFile10000)->Unit(benchmark::kMillisecond);

// logActivity plus the queued append with 10000 entries in memory (so each append also
// drops the oldest), for the four microphone entries of a batch that do not save; the fifth,
// which saves, runs untimed.
static void BM_LogActivityAppendWithoutSave(benchmark::State& state) {
    FullStore store;
    store.logger->startLogging();
    auto logOne = [&store] {
        store.logger->logActivity(DeviceType::Microphone, QStringLiteral("arecord"),
                                  QStringLiteral("/usr/bin/arecord"), 4242, true);
        store.loop.runPending();
    };
    for (auto _ : state) {
        for (int i = 0; i < ActivityLogger::saveBatchSize - 1; ++i) {
            logOne();
        }
        state.PauseTiming();
        logOne();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * (ActivityLogger::saveBatchSize - 1));
}
// A fixed count: the untimed saves would otherwise stretch the run to many minutes.
BENCHMARK(BM_LogActivityAppendWithoutSave)->Unit(benchmark::kMicrosecond)->Iterations(500);

// The same for whole batches of five microphone entries, the fifth saving: the cost per
// entry the store really pays.
static void BM_LogActivityMicrophoneBatch(benchmark::State& state) {
    FullStore store;
    store.logger->startLogging();
    for (auto _ : state) {
        for (int i = 0; i < ActivityLogger::saveBatchSize; ++i) {
            store.logger->logActivity(DeviceType::Microphone, QStringLiteral("arecord"),
                                      std::nullopt, 4242, i % 2 == 0);
            store.loop.runPending();
        }
    }
    state.SetItemsProcessed(state.iterations() * ActivityLogger::saveBatchSize);
}
BENCHMARK(BM_LogActivityMicrophoneBatch)->Unit(benchmark::kMillisecond);
