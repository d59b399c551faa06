#include "platform/linux/applications/DesktopEntryIndex.h"
#include "platform/linux/applications/LinuxRunningApplications.h"
#include "support/ManualRunLoop.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace ostrel;

extern char** environ;

namespace {

// Sleeping children of this process: more of the user's processes for every scan to visit.
class SleepingChildren {
public:
    explicit SleepingChildren(int count) {
        char program[] = "/bin/sleep";
        char duration[] = "600";
        char* arguments[] = {program, duration, nullptr};
        for (int i = 0; i < count; ++i) {
            pid_t pid = 0;
            if (::posix_spawn(&pid, program, nullptr, nullptr, arguments, environ) == 0) {
                pids_.push_back(pid);
            }
        }
    }
    ~SleepingChildren() {
        for (const pid_t pid : pids_) {
            ::kill(pid, SIGKILL);
        }
        for (const pid_t pid : pids_) {
            ::waitpid(pid, nullptr, 0);
        }
    }

private:
    std::vector<pid_t> pids_;
};

} // namespace

// One refresh of the list on this machine's /proc once its processes settled, so only new
// ones are read: what the detector pays once a second.
static void BM_RefreshOnRealProc(benchmark::State& state) {
    const SleepingChildren children(int(state.range(0)));
    ManualRunLoop loop;
    LinuxRunningApplications applications(loop, qint32(::getpid()), "/proc",
                                          DesktopEntryIndex::dataDirsFromEnvironment(), nullptr,
                                          std::nullopt);
    for (int second = 0; second < 4; ++second) { // new processes are read at their first scans
        loop.advance(1.0);
        applications.runningApplications();
    }
    for (auto _ : state) {
        loop.advance(1.0);
        benchmark::DoNotOptimize(applications.runningApplications());
    }
    state.counters["scans"] = applications.scanCount();
}
BENCHMARK(BM_RefreshOnRealProc)->Arg(0)->Arg(1500)->Unit(benchmark::kMicrosecond);

// The same with nothing remembered: the first refresh, or one after the entries changed.
static void BM_FirstRefreshOnRealProc(benchmark::State& state) {
    const SleepingChildren children(int(state.range(0)));
    for (auto _ : state) {
        ManualRunLoop loop;
        state.PauseTiming();
        LinuxRunningApplications applications(loop, qint32(::getpid()), "/proc",
                                              DesktopEntryIndex::dataDirsFromEnvironment(), nullptr,
                                              std::nullopt);
        state.ResumeTiming();
        benchmark::DoNotOptimize(applications.runningApplications());
    }
}
BENCHMARK(BM_FirstRefreshOnRealProc)->Arg(0)->Arg(1500)->Unit(benchmark::kMicrosecond);

// A request answered from the list of this second, as the detector's other requests are.
static void BM_CachedRequest(benchmark::State& state) {
    ManualRunLoop loop;
    LinuxRunningApplications applications(loop, qint32(::getpid()), "/proc",
                                          DesktopEntryIndex::dataDirsFromEnvironment(), nullptr,
                                          std::nullopt);
    applications.runningApplications();
    for (auto _ : state) {
        benchmark::DoNotOptimize(applications.runningApplications());
        benchmark::DoNotOptimize(applications.frontmostApplication());
    }
}
BENCHMARK(BM_CachedRequest);

// Reading every desktop entry, as at start and after an install: this machine's data dirs,
// and a folder of 300 entries such as a full desktop installs.
static void BM_LoadDesktopEntries(benchmark::State& state) {
    for (auto _ : state) {
        const DesktopEntryIndex index(DesktopEntryIndex::dataDirsFromEnvironment());
        benchmark::DoNotOptimize(index.entry("org.gnome.Cheese"));
    }
}
BENCHMARK(BM_LoadDesktopEntries)->Unit(benchmark::kMicrosecond);

static void BM_Load300DesktopEntries(benchmark::State& state) {
    QTemporaryDir data;
    QDir().mkpath(data.path() + "/applications");
    for (int i = 0; i < 300; ++i) {
        QFile file(data.path() + QString("/applications/org.example.App%1.desktop").arg(i));
        file.open(QIODevice::WriteOnly);
        file.write(QString("[Desktop Entry]\nType=Application\nName=App %1\nName[de]=Anw %1\n"
                           "Comment=Does things number %1\nExec=app-%1 --new-window %U\n"
                           "Icon=org.example.App%1\nCategories=Utility;\nStartupWMClass=App%1\n"
                           "\n[Desktop Action new]\nName=New\nExec=app-%1 --new\n")
                       .arg(i)
                       .toUtf8());
    }
    for (auto _ : state) {
        const DesktopEntryIndex index({data.path()}, {"de_DE", "de"});
        benchmark::DoNotOptimize(index.entry("org.example.App7"));
    }
}
BENCHMARK(BM_Load300DesktopEntries)->Unit(benchmark::kMicrosecond);

// Checking whether any applications folder changed: once a second while refreshing.
static void BM_EntriesUnchangedCheck(benchmark::State& state) {
    DesktopEntryIndex index(DesktopEntryIndex::dataDirsFromEnvironment());
    for (auto _ : state) {
        index.reloadIfChanged();
    }
    state.counters["loads"] = index.loadCount();
}
BENCHMARK(BM_EntriesUnchangedCheck)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
