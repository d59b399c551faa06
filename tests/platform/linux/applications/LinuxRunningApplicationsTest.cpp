#include "platform/linux/applications/LinuxRunningApplications.h"

#include "ApplicationFixtures.h"
#include "support/CapturedLog.h"
#include "support/ManualRunLoop.h"
#include "support/RunUntil.h"

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ostrel;

namespace {

constexpr qint32 kOwnPid = 100;
const QByteArray kSession = "0::/user.slice/user-1000.slice/session-2.scope\n";

// Window owners the test sets, standing for the X server.
struct FakeWindowOwners final : WindowOwnerSource {
    std::optional<qint32> activeWindowOwnerPid() override { return active; }
    std::vector<qint32> visibleWindowOwnerPids() override { return visible; }

    std::optional<qint32> active;
    std::vector<qint32> visible;
};

struct RecordingObserver final : RunningApplicationsObserver {
    void applicationLaunched(const RunningApplicationRef& application) override {
        events.push_back("launched " + application->bundleIdentifier.value_or("?") + " " +
                         QString::number(application->processIdentifier));
        launched.push_back(application);
    }
    void applicationTerminated(const RunningApplicationRef& application) override {
        events.push_back("terminated " + application->bundleIdentifier.value_or("?") + " " +
                         QString::number(application->processIdentifier));
    }

    QStringList events;
    std::vector<RunningApplicationRef> launched;
};

std::vector<qint32> pidsOf(const std::vector<RunningApplicationRef>& applications) {
    std::vector<qint32> pids;
    for (const RunningApplicationRef& application : applications) {
        pids.push_back(application->processIdentifier);
    }
    return pids;
}

RunningApplicationRef withIdentifier(const std::vector<RunningApplicationRef>& applications,
                                     const QString& identifier) {
    const auto found = std::find_if(applications.begin(), applications.end(), [&](const auto& a) {
        return a->bundleIdentifier == identifier;
    });
    return found == applications.end() ? nullptr : *found;
}

class LinuxRunningApplicationsTest : public testing::Test {
protected:
    // Installs an entry whose Exec= is `program`; its name is the last part of the id.
    void writeEntry(const QString& id, const QString& program) {
        writeFile(data.filePath("applications/" + id + ".desktop"),
                  ("[Desktop Entry]\nType=Application\nName=" + id.section('.', -1) +
                   "\nExec=" + program + "\n")
                      .toUtf8());
    }
    // Adds a process of the test's user, running a program in /usr/bin, to the /proc tree.
    void start(qint32 pid, const QString& program, qint32 parentPid = 150,
               const QByteArray& cgroup = kSession) {
        const QString folder = proc.filePath(QString::number(pid));
        writeFile(folder + "/status", "PPid:\t" + QByteArray::number(parentPid) + "\nUid:\t" +
                                          QByteArray::number(::getuid()) + '\n');
        writeFile(folder + "/cgroup", cgroup);
        writeFile(folder + "/comm", program.toUtf8() + '\n');
        QFile::remove(folder + "/exe");
        ASSERT_TRUE(QFile::link("/usr/bin/" + program, folder + "/exe"));
    }
    void end(qint32 pid) {
        ASSERT_TRUE(QDir(proc.filePath(QString::number(pid))).removeRecursively());
    }

    CapturedLog log;
    ManualRunLoop loop;
    QTemporaryDir data;
    QTemporaryDir proc;
};

} // namespace

TEST_F(LinuxRunningApplicationsTest, ListsOneRecordPerApplicationAtTheTopOfItsTree) {
    auto windows = std::make_unique<FakeWindowOwners>();
    FakeWindowOwners& owners = *windows;
    LinuxRunningApplications applications(loop, kOwnPid, kFixtures + "/proc", fixtureDataDirs(),
                                          std::move(windows), std::nullopt);
    const std::vector<RunningApplicationRef> list = applications.runningApplications();
    // Children (201, 301, 401, 502) collapse into their application; another user's copy of
    // Cheese (900), a terminal program, a deleted entry and damaged processes are left out.
    EXPECT_EQ(pidsOf(list), (std::vector<qint32>{200, 300, 400, 500, 600, 700, 800, 1200}));

    const RunningApplicationRef recorder = withIdentifier(list, "org.example.Recorder");
    ASSERT_TRUE(recorder);
    EXPECT_EQ(recorder->localizedName, QStringLiteral("Recorder"));
    EXPECT_EQ(recorder->bundlePath, kFixtures + "/flatpak/app/org.example.Recorder/current/active");
    EXPECT_TRUE(recorder->regularActivationPolicy);
    EXPECT_EQ(recorder->iconName, "org.example.Recorder");
    EXPECT_EQ(withIdentifier(list, "org.gnome.Cheese")->bundlePath,
              kFixtures + "/data-home/applications/org.gnome.Cheese.desktop");
    EXPECT_FALSE(withIdentifier(list, "org.example.Helper")->regularActivationPolicy);
    // Known by its unit only: the process name stands in for the missing entry.
    const RunningApplicationRef esr = withIdentifier(list, "firefox-esr");
    ASSERT_TRUE(esr);
    EXPECT_EQ(esr->localizedName, QStringLiteral("firefox-esr"));
    EXPECT_EQ(esr->bundlePath, std::nullopt);
    EXPECT_FALSE(esr->regularActivationPolicy);
    EXPECT_EQ(esr->iconName, "");
    // Installed applications are found through the same entries.
    const QString quiet = kFixtures + "/flatpak/app/org.example.Quiet/current/active";
    EXPECT_EQ(applications.applicationPath("org.example.Quiet"), quiet);
    EXPECT_EQ(applications.iconNameForPath(quiet), "org.example.Quiet");
    EXPECT_EQ(applications.applicationInfo(quiet), QVariantMap());

    // Without an active window nothing is frontmost.
    EXPECT_EQ(applications.frontmostApplication(), nullptr);
    EXPECT_TRUE(std::none_of(list.begin(), list.end(), [](const auto& a) { return a->isActive; }));
    // Callers ask several times a cycle: the processes are scanned at most once a second, and
    // records that did not change stay the same objects.
    loop.advance(0.999);
    applications.runningApplications();
    EXPECT_EQ(applications.scanCount(), 1);
    loop.advance(0.001);
    EXPECT_EQ(applications.runningApplications(), list);
    EXPECT_EQ(applications.scanCount(), 2);

    owners.active = 401; // a child process of Cheese owns the window
    loop.advance(1.0);
    const std::vector<RunningApplicationRef> first = applications.runningApplications();
    const RunningApplicationRef frontmost = applications.frontmostApplication();
    ASSERT_TRUE(frontmost);
    EXPECT_EQ(frontmost, withIdentifier(first, "org.gnome.Cheese")); // the same object
    EXPECT_TRUE(frontmost->isActive);
    EXPECT_EQ(std::count_if(first.begin(), first.end(), [](const auto& a) { return a->isActive; }),
              1);

    // 501 is a shell without an application of its own, started by the vendor tool.
    owners.active = 501;
    loop.advance(1.0);
    const std::vector<RunningApplicationRef> second = applications.runningApplications();
    EXPECT_EQ(applications.frontmostApplication(), withIdentifier(second, "vendor-tool"));
    EXPECT_FALSE(withIdentifier(second, "org.gnome.Cheese")->isActive);
    // Only the two applications whose activity changed got new records.
    for (std::size_t i = 0; i < first.size(); ++i) {
        const bool changed = first[i]->bundleIdentifier == "org.gnome.Cheese" ||
                             first[i]->bundleIdentifier == "vendor-tool";
        EXPECT_EQ(second[i] != first[i], changed) << i;
    }

    owners.active = 424242; // a process that is gone
    loop.advance(1.0);
    EXPECT_EQ(applications.frontmostApplication(), nullptr);

    // Window owners are the applications' top processes when they belong to one.
    owners.visible = {201, 401, 501, 4242};
    EXPECT_EQ(applications.onScreenWindowOwnerPids(), (std::vector<qint32>{200, 400, 500, 4242}));
}

// A device holder is often not an application's top process: a helper it started, or a
// process started since the last scan that only its sandbox or unit ties to the application.
TEST_F(LinuxRunningApplicationsTest, AProcessBelongsToTheApplicationOfItsSandboxUnitOrAncestor) {
    const QByteArray units = "0::/user.slice/user-1000.slice/user@1000.service/app.slice/";
    const QByteArray flatpak = units + "app-flatpak-org.example.Recorder-7.scope\n";
    const QByteArray snap =
        units + "snap.firefox.firefox-2f7d35a4-97e2-4c4c-9e24-5b4a4fb1c5e1.scope\n";
    const QByteArray unit = units + "app-gnome-org.example.Tool-9.scope\n";
    writeEntry("org.example.Browser", "browser");
    start(200, "browser");
    start(201, "browser-audio", 200);
    start(300, "bwrap", 150, flatpak);
    start(400, "firefox", 150, snap);
    start(500, "tool", 150, unit);
    LinuxRunningApplications applications(loop, kOwnPid, proc.path(), {data.path()}, nullptr,
                                          std::nullopt);
    ASSERT_EQ(applications.runningApplications().size(), 4u);
    // Started within the second the scan stays fresh; all but 202 were adopted by init.
    start(202, "browser-gpu", 201);
    start(301, "recorder", 1);
    writeFile(proc.filePath("301/root/.flatpak-info"), "[Application]\nname=org.example.Recorder");
    start(401, "firefox-helper", 1, snap);
    start(501, "tool-helper", 1, unit);
    start(600, "stray", 1, units + "app-gnome-org.example.NotRunning-1.scope\n");
    for (const auto& [pid, owner] :
         std::vector<std::pair<qint32, QString>>{{201, "org.example.Browser"},
                                                 {202, "org.example.Browser"},
                                                 {301, "org.example.Recorder"},
                                                 {401, "firefox_firefox"},
                                                 {501, "org.example.Tool"},
                                                 {600, ""},
                                                 {9999, ""}}) {
        const RunningApplicationRef application = applications.applicationOwning(pid);
        EXPECT_EQ(application ? *application->bundleIdentifier : QString(), owner) << pid;
    }
    EXPECT_EQ(applications.scanCount(), 1);
}

TEST_F(LinuxRunningApplicationsTest, ReportsLaunchesAndTerminationsOnlyWhileObserved) {
    writeEntry("org.example.One", "one-bin");
    writeEntry("org.example.Two", "two-bin");
    start(200, "one-bin");
    start(201, "one-bin", 200);
    LinuxRunningApplications applications(loop, kOwnPid, proc.path(), {data.path()}, nullptr,
                                          std::nullopt);
    RecordingObserver observer;
    applications.addObserver(&observer);
    loop.advance(1.0);
    EXPECT_TRUE(observer.events.isEmpty()); // what ran before is not announced

    start(300, "two-bin");
    end(201); // a child ending is no termination of its application
    loop.advance(1.0);
    EXPECT_EQ(observer.events, QStringList{"launched org.example.Two 300"});
    ASSERT_EQ(observer.launched.size(), 1u);
    EXPECT_EQ(observer.launched.front(),
              withIdentifier(applications.runningApplications(), "org.example.Two"));

    // Restarted within the second: a new process is a new launch. A program becomes an
    // application when its entry is installed.
    end(200);
    start(210, "one-bin");
    start(400, "three-bin");
    writeEntry("org.example.Three", "three-bin");
    observer.events.clear();
    loop.advance(1.0);
    EXPECT_EQ(observer.events,
              (QStringList{"terminated org.example.One 200", "launched org.example.One 210",
                           "launched org.example.Three 400"}));

    // With nobody listening the timer stops and nothing is scanned.
    applications.removeObserver(&observer);
    EXPECT_EQ(loop.activeTimerCount(), 0);
    const int scans = applications.scanCount();
    end(300);
    observer.events.clear();
    loop.advance(5.0);
    EXPECT_EQ(applications.scanCount(), scans);
    EXPECT_TRUE(observer.events.isEmpty());

    // Listening again starts from the list of that moment.
    applications.addObserver(&observer);
    loop.advance(1.0);
    EXPECT_TRUE(observer.events.isEmpty());
    {
        RecordingObserver shortLived;
        applications.addObserver(&shortLived);
        applications.removeObserver(&observer);
    }
    loop.advance(1.0); // the destroyed observer is noticed and the timer ends
    EXPECT_EQ(loop.activeTimerCount(), 0);

    // An observer of sleep and wake alone costs no scanning.
    struct SleepOnly final : RunningApplicationsObserver {
        bool observesLaunches() const override { return false; }
    } sleepOnly;
    applications.addObserver(&sleepOnly);
    EXPECT_EQ(loop.activeTimerCount(), 0);
}

// New processes are examined in full; settled ones are only listed, unless their parent ended
// or they are asked about by pid.
TEST_F(LinuxRunningApplicationsTest, ReadsSettledProcessesOnlyWhenAdoptedOrAskedAbout) {
    writeEntry("org.example.One", "one-bin");
    // Entries that changed a moment ago are read again at every refresh, with every process.
    const timeval anHourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(data.filePath("applications")).constData(), anHourAgo), 0);
    start(300, "sleep");
    start(400, "one-bin");
    start(401, "one-bin", 400);
    LinuxRunningApplications applications(loop, kOwnPid, proc.path(), {data.path()}, nullptr,
                                          std::nullopt);
    for (int second = 0; second < 5; ++second) {
        EXPECT_EQ(pidsOf(applications.runningApplications()), std::vector<qint32>{400});
        loop.advance(1.0);
    }

    // Settled, so not read: what their entries say now goes unseen by the list...
    start(300, "one-bin", 1);
    start(400, "sleep");
    const std::vector<RunningApplicationRef> settled = applications.runningApplications();
    ASSERT_EQ(pidsOf(settled), std::vector<qint32>{400});
    // ...until a caller asks about one: 300 became the program of One.
    EXPECT_EQ(applications.applicationOwning(300), settled.front());

    // The application's first top process ends and the child it leaves behind is adopted.
    loop.advance(1.0);
    end(400);
    start(401, "one-bin", 1);
    EXPECT_EQ(pidsOf(applications.runningApplications()), std::vector<qint32>{300});
    loop.advance(1.0);
    end(300);
    EXPECT_EQ(pidsOf(applications.runningApplications()), std::vector<qint32>{401});

    // A new process that the desktop moves into an application's unit a moment later.
    start(500, "helper");
    loop.advance(1.0);
    EXPECT_EQ(withIdentifier(applications.runningApplications(), "org.example.Moved"), nullptr);
    start(500, "helper", 150,
          "0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
          "app-gnome-org.example.Moved-500.scope\n");
    loop.advance(1.0);
    EXPECT_NE(withIdentifier(applications.runningApplications(), "org.example.Moved"), nullptr);
}

TEST_F(LinuxRunningApplicationsTest, EventsArriveThroughTheRunLoopAndNotAfterDestruction) {
    writeEntry("org.example.One", "one-bin");
    RecordingObserver observer;
    {
        LinuxRunningApplications applications(loop, kOwnPid, proc.path(), {data.path()}, nullptr,
                                              std::nullopt);
        applications.runningApplications(); // t = 0
        loop.advance(0.5);
        // The list of 0.5 s ago is fresh enough to be the base; the timer runs at 1.5, 2.5...
        applications.addObserver(&observer);
        start(200, "one-bin");
        loop.advance(0.5);
        // A caller's request at 1.0 finds the change; observers hear of it from the loop only.
        applications.runningApplications();
        EXPECT_TRUE(observer.events.isEmpty());
        loop.runPending();
        EXPECT_EQ(observer.events, QStringList{"launched org.example.One 200"});

        observer.events.clear();
        end(200);
        loop.advance(1.0); // at 1.5 the list was only 0.5 s old
        EXPECT_TRUE(observer.events.isEmpty());
        applications.runningApplications(); // at 2.0: posted, not yet delivered
    }
    loop.runPending();
    EXPECT_TRUE(observer.events.isEmpty());
}

TEST_F(LinuxRunningApplicationsTest, MissingProcRootOrX11GivesNothing) {
    LinuxRunningApplications applications(loop, kOwnPid, data.filePath("missing"), {}, nullptr,
                                          std::nullopt);
    EXPECT_TRUE(applications.runningApplications().empty());
    // Without X11 nothing is frontmost and no window is known.
    EXPECT_EQ(applications.frontmostApplication(), nullptr);
    EXPECT_TRUE(applications.onScreenWindowOwnerPids().empty());
}

// A real process launched from a desktop entry, as GIO launches it, on the real /proc. The
// entry starts sleep through a link of another name, so only the launch tells.
TEST_F(LinuxRunningApplicationsTest, NamesARealLaunchedProcessAndSeesItEnd) {
    const QString sleep = QStandardPaths::findExecutable("sleep");
    ASSERT_FALSE(sleep.isEmpty());
    ASSERT_TRUE(QFile::link(sleep, data.filePath("ostrel-test-sleeper")));
    writeEntry("org.example.Sleeper", data.filePath("ostrel-test-sleeper"));
    LinuxRunningApplications applications(loop, qint32(::getpid()), "/proc", {data.path()}, nullptr,
                                          std::nullopt);
    RecordingObserver observer;
    applications.addObserver(&observer);

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("GIO_LAUNCHED_DESKTOP_FILE",
                       data.filePath("applications/org.example.Sleeper.desktop"));
    child.setProcessEnvironment(environment);
    // The shell learns its own pid and then becomes the program, keeping that pid.
    child.start("/bin/sh", {"-c", "export GIO_LAUNCHED_DESKTOP_FILE_PID=$$; exec sleep 30"});
    ASSERT_TRUE(child.waitForStarted(10'000));
    const qint32 pid = qint32(child.processId());
    ASSERT_TRUE(runUntil([&] {
        QFile comm(QString("/proc/%1/comm").arg(pid));
        return comm.open(QIODevice::ReadOnly) && comm.readAll().startsWith("sleep");
    }));
    loop.advance(1.0);
    const RunningApplicationRef sleeper =
        withIdentifier(applications.runningApplications(), "org.example.Sleeper");
    ASSERT_TRUE(sleeper);
    EXPECT_EQ(sleeper->processIdentifier, pid);
    EXPECT_EQ(sleeper->localizedName, QStringLiteral("Sleeper"));
    EXPECT_EQ(observer.events, QStringList{"launched org.example.Sleeper " + QString::number(pid)});

    child.kill();
    ASSERT_TRUE(child.waitForFinished(10'000));
    loop.advance(1.0);
    EXPECT_EQ(withIdentifier(applications.runningApplications(), "org.example.Sleeper"), nullptr);
    EXPECT_EQ(observer.events.last(), "terminated org.example.Sleeper " + QString::number(pid));
}

// A process whose root holds a FIFO named .flatpak-info: an ordinary open of it would wait
// for a writer for good and blind every later scan.
TEST_F(LinuxRunningApplicationsTest, AFifoInARealProcesssRootStallsNoScan) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "changing a process's root takes root";
    }
    const QByteArray root = QFile::encodeName(proc.path());
    int ready[2];
    ASSERT_EQ(::mkfifo(root + "/.flatpak-info", 0600) | ::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) { // async-signal-safe calls only: the parent has threads
        if (::chroot(root.constData()) == 0 && ::chdir("/") == 0 && ::write(ready[1], "r", 1)) {
            for (;;) {
                ::pause();
            }
        }
        ::_exit(1);
    }
    ::close(ready[1]);
    const auto reap = qScopeGuard([&] {
        ::close(ready[0]);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    });
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1); // the child runs in its new root
    LinuxRunningApplications applications(loop, qint32(::getpid()), "/proc", {data.path()}, nullptr,
                                          std::nullopt);
    EXPECT_EQ(applications.applicationOwning(child), nullptr);
    loop.advance(1.0);
    applications.runningApplications();
    EXPECT_EQ(applications.scanCount(), 2);
}
