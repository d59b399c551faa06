#include "base/QtMainRunLoop.h"
#include "platform/linux/camera/CameraHolderIndex.h"
#include "platform/linux/camera/LinuxCameraService.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
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

// A child process that opens and closes a node once a millisecond until this object goes. It
// makes only system calls, so forking it from a process that runs Qt threads is safe.
class OpenCloseLoop {
public:
    explicit OpenCloseLoop(const QByteArray& node) {
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ != 0) {
            return;
        }
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(0);
        }
        timespec next = {};
        ::clock_gettime(CLOCK_MONOTONIC, &next);
        for (;;) {
            const int fd = ::open(node.constData(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                ::close(fd);
            }
            next.tv_nsec += 1'000'000;
            if (next.tv_nsec >= 1'000'000'000) {
                next.tv_nsec -= 1'000'000'000;
                ++next.tv_sec;
            }
            ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        }
    }
    ~OpenCloseLoop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    OpenCloseLoop(const OpenCloseLoop&) = delete;
    OpenCloseLoop& operator=(const OpenCloseLoop&) = delete;

private:
    pid_t pid_ = -1;
};

// User and system time of this process, all threads.
double ownCpuSeconds() {
    rusage usage = {};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) {
        return double(time.tv_sec) + time.tv_usec / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

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

// A program that opens and closes the camera 1000 times a second for a few seconds, while the
// service follows it on the real run loop and a sleeper holds the camera. Ostrel's CPU over that
// time, as a percentage of one core, should stay under 5. The argument is the walk interval in
// milliseconds: 100 s leaves the node watch's own share.
static void BM_OpenCloseLoop(benchmark::State& state) {
    constexpr int kSeconds = 5;
    QtMainRunLoop loop;
    LinuxCameraService cameras(loop, qint32(::getpid()), devFolder, sysFolder, "/proc",
                               state.range(0) / 1000.0);
    cameras.cameras();
    const int walks = cameras.holderWalkCount();
    double cpuSeconds = 0;
    double wallSeconds = 0;
    for (auto _ : state) {
        const OpenCloseLoop opener(QFile::encodeName(devFolder + "/video0"));
        const double cpuStart = ownCpuSeconds();
        const auto wallStart = std::chrono::steady_clock::now();
        QEventLoop events;
        QTimer::singleShot(std::chrono::seconds(kSeconds), &events, &QEventLoop::quit);
        events.exec();
        cpuSeconds += ownCpuSeconds() - cpuStart;
        wallSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    }
    state.counters["cpu_percent_of_core"] = 100 * cpuSeconds / wallSeconds;
    state.counters["walks_per_second"] = (cameras.holderWalkCount() - walks) / wallSeconds;
}
BENCHMARK(BM_OpenCloseLoop)
    ->Arg(250)
    ->Arg(100000)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

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
