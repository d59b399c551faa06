#include "advanced/ProcessTracker.h"
#include "base/Log.h"
#include "detection/DeviceMonitor.h"
#include "platform/linux/applications/LinuxRunningApplications.h"
#include "platform/linux/proc/LinuxProcessServices.h"
#include "support/FakeAudioSystem.h"
#include "support/FakeCameraService.h"
#include "support/FakeCameraSystem.h"
#include "support/FakeChildProcessRunner.h"
#include "support/FakeEventJournal.h"
#include "support/FakeUsbDeviceRegistry.h"
#include "support/ManualRunLoop.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace ostrel;

namespace {

// 1500 extra sleeping processes on the real machine; ten of them run from a temporary folder
// under a suspicious name, so the sweep looks at their holders every time.
class ExtraProcesses {
public:
    ExtraProcesses() {
        const QString suspicious = folder_.filePath(QStringLiteral("monitor-sleep"));
        QFile::copy(QStringLiteral("/bin/sleep"), suspicious);
        QFile::setPermissions(suspicious, QFile::ReadOwner | QFile::ExeOwner);
        for (int i = 0; i < 1500; ++i) {
            const QByteArray program = i < 10 ? QFile::encodeName(suspicious) : "/bin/sleep";
            char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>("600"),
                            nullptr};
            pid_t pid = 0;
            if (posix_spawn(&pid, program.constData(), nullptr, nullptr, argv, environ) == 0) {
                pids_.push_back(pid);
            }
        }
    }
    ~ExtraProcesses() {
        for (pid_t pid : pids_) {
            kill(pid, SIGKILL);
        }
        for (pid_t pid : pids_) {
            waitpid(pid, nullptr, 0);
        }
    }

private:
    QTemporaryDir folder_;
    std::vector<pid_t> pids_;
};

// The periodic work of an idle Ostrel on the real /proc and desktop entries, with fakes for
// the camera and sound server, which never change here.
struct Machine {
    // First, so that it is quiet from the start: measure the work, not the terminal.
    struct QuietLog {
        QuietLog() {
            setLogSink([](const QString&) {});
        }
        ~QuietLog() { setLogSink(nullptr); }
    } quiet;
    ExtraProcesses extra;
    ManualRunLoop loop;
    EventBus events;
    FakeCameraService cameras;
    FakeAudioSystem audio;
    LinuxProcessServices processes;
    LinuxRunningApplications applications{loop,
                                          processes.ownPid(),
                                          QStringLiteral("/proc"),
                                          DesktopEntryIndex::dataDirsFromEnvironment(),
                                          nullptr,
                                          std::nullopt};
    FakeChildProcessRunner children;
    FakeCameraSystem cameraSystem;
    FakeUsbDeviceRegistry usb;
    FakeEventJournal journal;
    AdvancedMonitorPlatform platform{{loop, cameras, audio, applications, processes, children},
                                     events,
                                     cameraSystem,
                                     usb,
                                     journal};
    ProcessTracker tracker{platform};
    DeviceMonitor detector{platform.detector};
};

void countProcesses(benchmark::State& state, const Machine& machine) {
    state.counters["processes"] = static_cast<double>(machine.processes.allPids().size());
}

} // namespace

// The 0.25 s device check; every fourth one refreshes the application list (1 s), whose
// refresh alone applications_bench measures.
static void BM_DeviceCheckTick(benchmark::State& state) {
    Machine machine;
    machine.detector.checkDevices(); // the first list examines every process
    for (auto _ : state) {
        machine.loop.advance(DeviceMonitor::checkInterval);
        machine.detector.checkDevices();
    }
    countProcesses(state, machine);
}
BENCHMARK(BM_DeviceCheckTick)->Unit(benchmark::kMicrosecond);

// The 0.5 s sweep for brief device access.
static void BM_BriefAccessSweepTick(benchmark::State& state) {
    Machine machine;
    for (int sweep = 0; sweep < ProcessTracker::sweepsToSettle; ++sweep) {
        machine.tracker.sweepForBriefAccess(); // new processes are judged at their first sweeps
    }
    for (auto _ : state) {
        machine.tracker.sweepForBriefAccess();
    }
    countProcesses(state, machine);
}
BENCHMARK(BM_BriefAccessSweepTick)->Unit(benchmark::kMicrosecond);

// The 3 s scan for new processes.
static void BM_NewProcessScanTick(benchmark::State& state) {
    Machine machine;
    machine.tracker.scanProcesses(); // the first scan sees everything as new
    for (auto _ : state) {
        machine.tracker.scanProcesses();
    }
    countProcesses(state, machine);
}
BENCHMARK(BM_NewProcessScanTick)->Unit(benchmark::kMicrosecond);
