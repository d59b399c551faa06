#include "activitylog/ActivityLogFileFormat.h"
#include "activitylog/ActivityLogTableModel.h"
#include "activitylog/ActivityLogWindow.h"
#include "platform/Log.h"
#include "support/FakeAlertPresenter.h"
#include "support/ManualRunLoop.h"

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

// 10000 entries of 37 processes within the last 24 hours, half of them with a path.
QList<ActivityLogEntry> fullLog(const QDateTime& now) {
    QList<ActivityLogEntry> entries;
    for (int i = 0; i < ActivityLogger::maxLogEntries; ++i) {
        const QString name = QStringLiteral("process-%1").arg(i % 37);
        const std::optional<QString> path =
            i % 2 == 0 ? std::optional(QStringLiteral("/usr/lib/%1/bin/%1").arg(name))
                       : std::nullopt;
        entries.append(ActivityLogEntry::create(
            i % 3 == 0 ? DeviceType::Camera : DeviceType::Microphone, name, path, 1000 + i,
            i % 2 == 0, now.addSecs(-(ActivityLogger::maxLogEntries - i))));
    }
    return entries;
}

// A store whose log file holds a full log, with what the window needs besides.
struct FullStore {
    FullStore() {
        setLogSink([](const QString&) {});
        QFile file(directory.filePath("activity_logs.json"));
        file.open(QIODevice::WriteOnly);
        file.write(ActivityLogFileFormat::encodeLogFile(fullLog(loop.now())));
        file.close();
        logger = std::make_unique<ActivityLogger>(directory.path(), directory.filePath("Desktop"),
                                                  loop, nullptr);
    }
    ~FullStore() {
        logger.reset();
        setLogSink(nullptr);
    }
    ActivityLogViewEnvironment environment() { return {*logger, loop, browser, alerts}; }

    QTemporaryDir directory;
    ManualRunLoop loop;
    std::unique_ptr<ActivityLogger> logger;
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
