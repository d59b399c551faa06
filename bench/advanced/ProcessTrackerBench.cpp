#include "advanced/ProcessTracker.h"
#include "base/Log.h"
#include "platform/linux/proc/LinuxProcessServices.h"
#include "support/FakeAudioSystem.h"
#include "support/FakeCameraService.h"
#include "support/FakeCameraSystem.h"
#include "support/FakeChildProcessRunner.h"
#include "support/FakeRunningApplications.h"
#include "support/FakeUsbDeviceRegistry.h"
#include "support/ManualRunLoop.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

using namespace ostrel;

namespace {

// 500 extra sleeping processes on the real machine; ten of them run from a temporary folder
// under a suspicious name, so the sweep reads their descriptor lists.
class ExtraProcesses {
public:
    ExtraProcesses() {
        const QString suspicious = folder_.filePath(QStringLiteral("monitor-sleep"));
        QFile::copy(QStringLiteral("/bin/sleep"), suspicious);
        QFile::setPermissions(suspicious, QFile::ReadOwner | QFile::ExeOwner);
        for (int i = 0; i < 500; ++i) {
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

struct Machine {
    Machine() {
        setLogSink([](const QString&) {});
    }
    ~Machine() { setLogSink(nullptr); }

    ExtraProcesses extra;
    ManualRunLoop loop;
    EventBus events;
    FakeCameraService cameras;
    FakeAudioSystem audio;
    FakeRunningApplications applications;
    LinuxProcessServices processes;
    FakeChildProcessRunner children;
    FakeCameraSystem cameraSystem;
    FakeUsbDeviceRegistry usb;
    AdvancedMonitorPlatform platform{
        {loop, cameras, audio, applications, processes, children}, events, cameraSystem, usb};
    ProcessTracker tracker{platform};
};

} // namespace

static void BM_BriefAccessSweep(benchmark::State& state) {
    Machine machine;
    for (auto _ : state) {
        machine.tracker.sweepForBriefAccess();
    }
    state.counters["processes"] = static_cast<double>(machine.processes.allPids().size());
}
BENCHMARK(BM_BriefAccessSweep)->Unit(benchmark::kMillisecond);

static void BM_NewProcessScan(benchmark::State& state) {
    Machine machine;
    machine.tracker.scanProcesses(); // the first scan sees everything as new
    for (auto _ : state) {
        machine.tracker.scanProcesses();
    }
}
BENCHMARK(BM_NewProcessScan)->Unit(benchmark::kMillisecond);
