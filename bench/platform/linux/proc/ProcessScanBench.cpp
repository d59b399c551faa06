#include "platform/linux/proc/LinuxProcessServices.h"

#include <benchmark/benchmark.h>

using namespace ostrel;

// What a full look at every process of this machine costs: the pid list, then name,
// executable, task figures and descriptor count of each.
static void BM_FullProcessScan(benchmark::State& state) {
    LinuxProcessServices processes;
    size_t seen = 0;
    for (auto _ : state) {
        for (qint32 pid : processes.allPids()) {
            benchmark::DoNotOptimize(processes.shortName(pid));
            benchmark::DoNotOptimize(processes.executablePath(pid));
            benchmark::DoNotOptimize(processes.taskFigures(pid));
            benchmark::DoNotOptimize(processes.descriptorCount(pid));
            ++seen;
        }
    }
    state.counters["processes"] =
        benchmark::Counter(static_cast<double>(seen), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FullProcessScan)->Unit(benchmark::kMicrosecond);

// The pid list alone, which the periodic tasks ask for several times a second: the kernel's
// counts, a look at each pid handed out since, and a listing of /proc only when processes ended.
static void BM_PidList(benchmark::State& state) {
    LinuxProcessServices processes;
    for (auto _ : state) {
        benchmark::DoNotOptimize(processes.allPids());
    }
}
BENCHMARK(BM_PidList)->Unit(benchmark::kMicrosecond);
