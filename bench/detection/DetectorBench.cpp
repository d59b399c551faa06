#include "base/Log.h"
#include "detection/DeviceMonitor.h"
#include "support/FakePlatform.h"

#include <benchmark/benchmark.h>

using namespace ostrel;

namespace {

// A desktop with 300 running applications, none of them a media application except the
// last one, so every walk goes the whole way.
struct Desktop : FakePlatform {
    Desktop() {
        setLogSink([](const QString&) {}); // measure the logic, not the terminal
        for (int i = 0; i < 299; ++i) {
            applications.add({1000 + i,
                              QStringLiteral("Tool %1").arg(i),
                              QStringLiteral("org.example.tool%1").arg(i),
                              QStringLiteral("/usr/share/applications/tool%1.desktop").arg(i),
                              false,
                              true,
                              {}});
        }
        applications.add({2000, "Cheese", "org.gnome.Cheese.video", std::nullopt, true, true, {}});
        cameras.devices = {{"Integrated Camera", "/dev/video0", false, true}};
        audio.devices = {{"Built-in Microphone", "alsa_input.pci", false, true}};
        audio.defaultInput = {0, 1};
    }
    ~Desktop() { setLogSink(nullptr); }

    DeviceMonitor monitor{{loop, cameras, audio, applications, processes, children}};
};

} // namespace

// One idle check cycle: both devices sensed, nothing changes.
static void BM_CheckCycleIdle(benchmark::State& state) {
    Desktop desktop;
    for (auto _ : state) {
        desktop.monitor.checkDevices();
    }
}
BENCHMARK(BM_CheckCycleIdle)->Unit(benchmark::kMicrosecond);

// One camera attribution by the scored ranking (the cache is made stale every time).
static void BM_CameraAttributionRanking(benchmark::State& state) {
    Desktop desktop;
    for (auto _ : state) {
        desktop.loop.advance(1.0);
        benchmark::DoNotOptimize(desktop.monitor.getCameraProcess());
    }
}
BENCHMARK(BM_CameraAttributionRanking)->Unit(benchmark::kMicrosecond);

// One microphone attribution that walks the whole chain and finds nobody.
static void BM_MicrophoneAttributionFullChain(benchmark::State& state) {
    Desktop desktop;
    for (auto _ : state) {
        benchmark::DoNotOptimize(desktop.monitor.detectMicrophoneProcessAtStateChange());
    }
}
BENCHMARK(BM_MicrophoneAttributionFullChain)->Unit(benchmark::kMicrosecond);

// Attribution when the system names the holder: the common case on Linux.
static void BM_AttributionByHolder(benchmark::State& state) {
    Desktop desktop;
    desktop.cameras.holders = {2000};
    desktop.audio.holders = {2000};
    for (auto _ : state) {
        desktop.loop.advance(1.0);
        benchmark::DoNotOptimize(desktop.monitor.getCameraProcess());
        benchmark::DoNotOptimize(desktop.monitor.detectMicrophoneProcessAtStateChange());
    }
}
BENCHMARK(BM_AttributionByHolder)->Unit(benchmark::kMicrosecond);
