#include "base/QtMainRunLoop.h"
#include "platform/linux/camera/CameraHolderIndex.h"
#include "platform/linux/camera/LinuxCameraService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace ostrel;

namespace {

constexpr int kSleeperCount = 500;
constexpr int kDescriptorsPerSleeper = 20;

// Sleeping processes that hold descriptors, as a busy desktop has. They are killed when this
// object goes, and by the kernel if the benchmark dies first.
class Sleepers {
public:
    // The first sleeper holds `heldFile` in place of one of its descriptors.
    Sleepers(int count, int descriptors, const QByteArray& heldFile) {
        const pid_t parent = ::getpid();
        for (int i = 0; i < count; ++i) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::prctl(PR_SET_PDEATHSIG, SIGKILL);
                if (::getppid() != parent) {
                    ::_exit(0);
                }
                for (int d = 0; d < descriptors; ++d) {
                    const char* path = (i == 0 && d == 0) ? heldFile.constData() : "/dev/null";
                    ::open(path, O_RDONLY);
                }
                ::execl("/bin/sleep", "sleep", "600", static_cast<char*>(nullptr));
                ::_exit(127);
            }
            if (pid > 0) {
                pids_.push_back(pid);
            }
        }
        waitUntilAsleep();
    }
    ~Sleepers() {
        for (const pid_t pid : pids_) {
            ::kill(pid, SIGKILL);
        }
        for (const pid_t pid : pids_) {
            ::waitpid(pid, nullptr, 0);
        }
    }
    Sleepers(const Sleepers&) = delete;
    Sleepers& operator=(const Sleepers&) = delete;

    size_t size() const { return pids_.size(); }

private:
    // Bounded: a sleeper that has not executed after a few seconds is measured as it is.
    void waitUntilAsleep() const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (const pid_t pid : pids_) {
            const QByteArray exe = "/proc/" + QByteArray::number(pid) + "/exe";
            while (!QFile::symLinkTarget(QFile::decodeName(exe)).endsWith("/sleep") &&
                   std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    }

    std::vector<pid_t> pids_;
};

QString devFolder;
QString sysFolder;

int numericEntries(const QString& folder) {
    int count = 0;
    for (const QString& name : QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isNumber = false;
        name.toInt(&isNumber);
        count += isNumber ? 1 : 0;
    }
    return count;
}

} // namespace

// What the detector's check asks every 0.25 s when no camera was opened, closed, added or
// removed since the last one: it must not walk the processes.
static void BM_CheckWithoutDeviceEvent(benchmark::State& state) {
    QtMainRunLoop loop;
    LinuxCameraService cameras(loop, qint32(::getpid()), devFolder, sysFolder);
    cameras.cameras();
    const int walks = cameras.holderWalkCount();
    for (auto _ : state) {
        benchmark::DoNotOptimize(cameras.cameras());
        benchmark::DoNotOptimize(cameras.holderPids());
    }
    if (cameras.holderWalkCount() != walks) {
        state.SkipWithError("a check without a device event walked the processes");
    }
    state.counters["walks"] = cameras.holderWalkCount() - walks;
}
BENCHMARK(BM_CheckWithoutDeviceEvent)->Unit(benchmark::kMicrosecond);

// One walk of every process's descriptors, as after an open or close of a camera.
static void BM_HolderRescan(benchmark::State& state) {
    CameraHolderIndex index(QStringLiteral("/proc"), qint32(::getpid()));
    index.setNodePaths({devFolder + "/video0"});
    for (auto _ : state) {
        index.markStale();
        index.refresh();
        benchmark::DoNotOptimize(index.holderPids());
    }
    if (index.holderPids().size() != 1) {
        state.SkipWithError("the holding sleeper was not found");
    }
    state.counters["processes"] = numericEntries(QStringLiteral("/proc"));
}
BENCHMARK(BM_HolderRescan)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QTemporaryDir temp;
    if (!temp.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    devFolder = QFileInfo(temp.path()).canonicalFilePath() + "/dev";
    sysFolder = temp.filePath("sys");
    QDir().mkpath(devFolder);
    {
        QFile node(devFolder + "/video0");
        if (!node.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot create the stand-in camera node\n");
            return 1;
        }
    }
    // Forked before Qt starts any thread.
    const Sleepers sleepers(kSleeperCount, kDescriptorsPerSleeper,
                            QFile::encodeName(devFolder + "/video0"));
    std::printf("%zu sleepers with %d descriptors each\n", sleepers.size(), kDescriptorsPerSleeper);

    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
