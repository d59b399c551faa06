#include "activitylog/ActivityLogTableModel.h"
#include "activitylog/ActivityLogWindow.h"
#include "base/Log.h"
#include "support/FakeAlertPresenter.h"
#include "support/FullActivityLog.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

using namespace ostrel;

namespace {

class NoFileBrowser final : public FileBrowser {
public:
    void revealFile(const QString&) override {}
};

struct FullStore : FullActivityLogStore {
    ActivityLogViewEnvironment environment() { return {*logger, loop, browser, alerts}; }

    NoFileBrowser browser;
    FakeAlertPresenter alerts;
};

// Builds the window over 10000 entries and draws it once, as opening it from the menu does.
void BM_OpenLogWindowWith10000Entries(benchmark::State& state) {
    FullStore store;
    for (auto _ : state) {
        ActivityLogWindow window(store.environment());
        window.show();
        benchmark::DoNotOptimize(window.grab());
    }
}
BENCHMARK(BM_OpenLogWindowWith10000Entries)->Unit(benchmark::kMillisecond);

// Types a search into the open window and draws the filtered table, then clears it again.
void BM_SearchLogWindowWith10000Entries(benchmark::State& state) {
    FullStore store;
    ActivityLogWindow window(store.environment());
    window.show();
    window.grab();
    bool searching = false;
    for (auto _ : state) {
        searching = !searching;
        window.view()->setSearchText(searching ? QStringLiteral("PROCESS-1") : QString());
        benchmark::DoNotOptimize(window.grab());
    }
    window.view()->setSearchText(QStringLiteral("PROCESS-1"));
    state.counters["matches"] = window.view()->tableModel().rowCount();
}
BENCHMARK(BM_SearchLogWindowWith10000Entries)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
