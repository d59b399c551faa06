#include "platform/linux/applications/LinuxRunningApplications.h"

#include "ProcTree.h"
#include "QtPrinters.h"
#include "support/CapturedLog.h"
#include "support/ManualRunLoop.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace ostrel;

namespace {

const QString kFixtures = QDir::cleanPath(QStringLiteral(OSTREL_APPLICATION_FIXTURES));
constexpr qint32 kOwnPid = 100;

QStringList fixtureDataDirs() {
    return {kFixtures + "/data-home", kFixtures + "/system", kFixtures + "/snapd",
            kFixtures + "/flatpak/exports/share"};
}

// Window owners the test sets, standing for the X server.
class FakeWindowOwners final : public WindowOwnerSource {
public:
    std::optional<qint32> activeWindowOwnerPid() override { return *active; }
    std::vector<qint32> visibleWindowOwnerPids() override { return *visible; }

    std::shared_ptr<std::optional<qint32>> active = std::make_shared<std::optional<qint32>>();
    std::shared_ptr<std::vector<qint32>> visible = std::make_shared<std::vector<qint32>>();
};

class RecordingObserver final : public RunningApplicationsObserver {
public:
    void applicationLaunched(const RunningApplicationRef& application) override {
        events.push_back("launched " + application->bundleIdentifier.value_or("?") + " " +
                         QString::number(application->processIdentifier));
        launched.push_back(application);
    }
    void applicationTerminated(const RunningApplicationRef& application) override {
        events.push_back("terminated " + application->bundleIdentifier.value_or("?") + " " +
                         QString::number(application->processIdentifier));
    }
    void systemWillSleep() override { events.push_back("sleep"); }
    void systemDidWake() override { events.push_back("wake"); }

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
    for (const RunningApplicationRef& application : applications) {
        if (application->bundleIdentifier == identifier) {
            return application;
        }
    }
    return nullptr;
}

// Desktop entries are shown in the user's language; the tests read them untranslated.
class UntranslatedTest : public testing::Test {
protected:
    void SetUp() override {
        savedLocale_ = qgetenv("LC_ALL");
        qputenv("LC_ALL", "C");
    }
    void TearDown() override {
        if (savedLocale_.isEmpty()) {
            qunsetenv("LC_ALL");
        } else {
            qputenv("LC_ALL", savedLocale_);
        }
    }

    CapturedLog log;
    ManualRunLoop loop;

private:
    QByteArray savedLocale_;
};

using LinuxRunningApplicationsTest = UntranslatedTest;

void writeEntry(const QString& folder, const QString& id, const QString& program) {
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile file(folder + '/' + id + ".desktop");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(("[Desktop Entry]\nType=Application\nName=" + id.section('.', -1) +
                "\nExec=" + program + "\n")
                   .toUtf8());
}

ProcTree::Process program(const QString& name, qint32 parent = 150) {
    ProcTree::Process process;
    process.parentPid = parent;
    process.executable = "/usr/bin/" + name;
    process.shortName = name;
    process.commandLine = {name};
    return process;
}

} // namespace

TEST_F(LinuxRunningApplicationsTest, ListsOneRecordPerApplicationAtTheTopOfItsTree) {
    LinuxRunningApplications applications(loop, kOwnPid, kFixtures + "/proc", fixtureDataDirs(),
                                          nullptr, std::nullopt);
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

    const RunningApplicationRef cheese = withIdentifier(list, "org.gnome.Cheese");
    ASSERT_TRUE(cheese);
    EXPECT_EQ(cheese->processIdentifier, 400);
    EXPECT_EQ(cheese->localizedName, QStringLiteral("My Cheese"));
    EXPECT_EQ(cheese->bundlePath, kFixtures + "/data-home/applications/org.gnome.Cheese.desktop");
    EXPECT_EQ(cheese->iconName, "user-cheese");
    EXPECT_FALSE(cheese->isActive);

    EXPECT_EQ(withIdentifier(list, "firefox_firefox")->localizedName, QStringLiteral("Firefox"));
    EXPECT_EQ(withIdentifier(list, "vendor-tool")->processIdentifier, 500);
    EXPECT_FALSE(withIdentifier(list, "org.example.Helper")->regularActivationPolicy);

    // Known by its unit only: the process name stands in for the missing entry.
    const RunningApplicationRef esr = withIdentifier(list, "firefox-esr");
    ASSERT_TRUE(esr);
    EXPECT_EQ(esr->localizedName, QStringLiteral("firefox-esr"));
    EXPECT_EQ(esr->bundlePath, std::nullopt);
    EXPECT_FALSE(esr->regularActivationPolicy);
    EXPECT_EQ(esr->iconName, "");

    // No X11 and no system bus: nothing is frontmost, no window is known, and it is logged.
    EXPECT_EQ(applications.frontmostApplication(), nullptr);
    EXPECT_TRUE(applications.onScreenWindowOwnerPids().empty());
    EXPECT_TRUE(std::none_of(list.begin(), list.end(),
                             [](const RunningApplicationRef& a) { return a->isActive; }));
    EXPECT_TRUE(log.contains(
        "ℹ️ [RunningApplications] No system bus: sleep and wake will not be reported"));
}

TEST_F(LinuxRunningApplicationsTest, RescansAtMostOnceASecondAndKeepsUnchangedRecords) {
    LinuxRunningApplications applications(loop, kOwnPid, kFixtures + "/proc", fixtureDataDirs(),
                                          nullptr, std::nullopt);
    const std::vector<RunningApplicationRef> first = applications.runningApplications();
    applications.runningApplications();
    applications.frontmostApplication();
    loop.advance(0.999);
    applications.runningApplications();
    EXPECT_EQ(applications.scanCount(), 1);

    loop.advance(0.001);
    const std::vector<RunningApplicationRef> second = applications.runningApplications();
    EXPECT_EQ(applications.scanCount(), 2);
    ASSERT_EQ(second.size(), first.size());
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(second[i].get(), first[i].get()) << i;
    }
}

TEST_F(LinuxRunningApplicationsTest, ActiveWindowOwnerMakesItsApplicationFrontmost) {
    auto windows = std::make_unique<FakeWindowOwners>();
    const auto active = windows->active;
    const auto visible = windows->visible;
    *active = 401; // a child process of Cheese owns the window
    LinuxRunningApplications applications(loop, kOwnPid, kFixtures + "/proc", fixtureDataDirs(),
                                          std::move(windows), std::nullopt);

    const std::vector<RunningApplicationRef> first = applications.runningApplications();
    const RunningApplicationRef frontmost = applications.frontmostApplication();
    ASSERT_TRUE(frontmost);
    EXPECT_EQ(frontmost, withIdentifier(first, "org.gnome.Cheese")); // the same object
    EXPECT_TRUE(frontmost->isActive);
    EXPECT_EQ(std::count_if(first.begin(), first.end(),
                            [](const RunningApplicationRef& a) { return a->isActive; }),
              1);

    // 501 is a shell without an application of its own, started by the vendor tool.
    *active = 501;
    loop.advance(1.0);
    const std::vector<RunningApplicationRef> second = applications.runningApplications();
    EXPECT_EQ(applications.frontmostApplication(), withIdentifier(second, "vendor-tool"));
    EXPECT_FALSE(withIdentifier(second, "org.gnome.Cheese")->isActive);
    // Only the two applications whose activity changed got new records.
    for (std::size_t i = 0; i < first.size(); ++i) {
        const bool changed = first[i]->bundleIdentifier == "org.gnome.Cheese" ||
                             first[i]->bundleIdentifier == "vendor-tool";
        EXPECT_EQ(second[i].get() != first[i].get(), changed) << i;
    }

    *active = 424242; // a process that is gone
    loop.advance(1.0);
    EXPECT_EQ(applications.frontmostApplication(), nullptr);

    // Window owners are the applications' top processes when they belong to one.
    *visible = {201, 401, 501, 4242};
    EXPECT_EQ(applications.onScreenWindowOwnerPids(), (std::vector<qint32>{200, 400, 500, 4242}));
}

TEST_F(LinuxRunningApplicationsTest, ReportsLaunchesAndTerminationsOnlyWhileObserved) {
    ProcTree tree;
    QTemporaryDir data;
    writeEntry(data.path() + "/applications", "org.example.One", "one-bin");
    writeEntry(data.path() + "/applications", "org.example.Two", "two-bin");
    ProcTree::Process own = program("ostrel", 1);
    tree.add(kOwnPid, own);
    tree.add(150, program("gnome-shell", 1));
    tree.add(200, program("one-bin"));
    tree.add(201, program("one-bin", 200));

    LinuxRunningApplications applications(loop, kOwnPid, tree.root(), {data.path()}, nullptr,
                                          std::nullopt);
    RecordingObserver observer;
    applications.addObserver(&observer);
    loop.advance(1.0);
    EXPECT_TRUE(observer.events.isEmpty()); // what ran before is not announced

    tree.add(300, program("two-bin"));
    tree.remove(201); // a child ending is no termination of its application
    loop.advance(1.0);
    EXPECT_EQ(observer.events, QStringList{"launched org.example.Two 300"});
    ASSERT_EQ(observer.launched.size(), 1u);
    EXPECT_EQ(observer.launched.front(),
              withIdentifier(applications.runningApplications(), "org.example.Two"));

    // Restarted within the second: a new process is a new launch.
    tree.remove(200);
    tree.add(210, program("one-bin"));
    // A program that becomes an application when its entry is installed.
    tree.add(400, program("three-bin"));
    writeEntry(data.path() + "/applications", "org.example.Three", "three-bin");
    observer.events.clear();
    loop.advance(1.0);
    EXPECT_EQ(observer.events,
              (QStringList{"terminated org.example.One 200", "launched org.example.One 210",
                           "launched org.example.Three 400"}));

    // With nobody listening the timer stops and nothing is scanned.
    applications.removeObserver(&observer);
    EXPECT_EQ(loop.activeTimerCount(), 0);
    const int scans = applications.scanCount();
    tree.remove(300);
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
    applications.removeObserver(&sleepOnly);
}

// Settled processes are only checked for an exec; new ones are examined in full.
TEST_F(LinuxRunningApplicationsTest, NoticesExecsMovesOfNewProcessesAndAdoptions) {
    ProcTree tree;
    QTemporaryDir data;
    writeEntry(data.path() + "/applications", "org.example.One", "one-bin");
    tree.add(kOwnPid, program("ostrel", 1));
    tree.add(150, program("gnome-shell", 1));
    tree.add(300, program("sleep"));
    tree.add(400, program("one-bin"));
    tree.add(401, program("one-bin", 400));
    LinuxRunningApplications applications(loop, kOwnPid, tree.root(), {data.path()}, nullptr,
                                          std::nullopt);
    for (int second = 0; second < 5; ++second) {
        EXPECT_EQ(pidsOf(applications.runningApplications()), std::vector<qint32>{400});
        loop.advance(1.0);
    }

    // The same process becomes the application's program; its first top process ends and the
    // child it leaves behind is adopted by init.
    tree.add(300, program("one-bin", 1));
    tree.remove(400);
    ProcTree::Process adopted = program("one-bin", 1);
    tree.add(401, adopted);
    EXPECT_EQ(pidsOf(applications.runningApplications()), std::vector<qint32>{300});
    EXPECT_EQ(
        withIdentifier(applications.runningApplications(), "org.example.One")->processIdentifier,
        300);
    loop.advance(1.0);
    tree.remove(300);
    EXPECT_EQ(pidsOf(applications.runningApplications()), std::vector<qint32>{401});

    // A new process that the desktop moves into an application's unit a moment later.
    tree.add(500, program("helper"));
    loop.advance(1.0);
    EXPECT_EQ(withIdentifier(applications.runningApplications(), "org.example.Moved"), nullptr);
    ProcTree::Process moved = program("helper");
    moved.cgroup = "0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                   "app-gnome-org.example.Moved-500.scope\n";
    tree.add(500, moved);
    loop.advance(1.0);
    EXPECT_NE(withIdentifier(applications.runningApplications(), "org.example.Moved"), nullptr);
}

TEST_F(LinuxRunningApplicationsTest, EventsArriveThroughTheRunLoopAndNotAfterDestruction) {
    ProcTree tree;
    QTemporaryDir data;
    writeEntry(data.path() + "/applications", "org.example.One", "one-bin");
    tree.add(kOwnPid, program("ostrel", 1));
    RecordingObserver observer;
    {
        LinuxRunningApplications applications(loop, kOwnPid, tree.root(), {data.path()}, nullptr,
                                              std::nullopt);
        applications.runningApplications(); // t = 0
        loop.advance(0.5);
        // The list of 0.5 s ago is fresh enough to be the base; the timer runs at 1.5, 2.5...
        applications.addObserver(&observer);
        tree.add(200, program("one-bin"));
        loop.advance(0.5);
        // A caller's request at 1.0 finds the change; observers hear of it from the loop only.
        applications.runningApplications();
        EXPECT_TRUE(observer.events.isEmpty());
        loop.runPending();
        EXPECT_EQ(observer.events, QStringList{"launched org.example.One 200"});

        observer.events.clear();
        tree.remove(200);
        loop.advance(1.0); // at 1.5 the list was only 0.5 s old
        EXPECT_TRUE(observer.events.isEmpty());
        applications.runningApplications(); // at 2.0: posted, not yet delivered
    }
    loop.runPending();
    EXPECT_TRUE(observer.events.isEmpty());
}

TEST_F(LinuxRunningApplicationsTest, MissingOrUnreadableProcRootGivesAnEmptyList) {
    QTemporaryDir empty;
    LinuxRunningApplications applications(loop, kOwnPid, empty.path() + "/missing", {}, nullptr,
                                          std::nullopt);
    EXPECT_TRUE(applications.runningApplications().empty());
    EXPECT_EQ(applications.frontmostApplication(), nullptr);
    EXPECT_EQ(applications.applicationPath("org.gnome.Cheese"), std::nullopt);
    EXPECT_EQ(applications.applicationInfo("/"), std::nullopt);
    EXPECT_EQ(applications.iconNameForPath("/"), "");
}

// A real process launched from a desktop entry, as GIO launches it, on the real /proc.
TEST_F(LinuxRunningApplicationsTest, NamesARealLaunchedProcessAndSeesItEnd) {
    QTemporaryDir data;
    writeEntry(data.path() + "/applications", "org.example.Sleeper", "ostrel-test-sleeper");
    LinuxRunningApplications applications(loop, qint32(::getpid()), "/proc", {data.path()}, nullptr,
                                          std::nullopt);
    RecordingObserver observer;
    applications.addObserver(&observer);

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("GIO_LAUNCHED_DESKTOP_FILE",
                       data.path() + "/applications/org.example.Sleeper.desktop");
    child.setProcessEnvironment(environment);
    // The shell learns its own pid and then becomes the program, keeping that pid.
    child.start("/bin/sh", {"-c", "export GIO_LAUNCHED_DESKTOP_FILE_PID=$$; exec sleep 30"});
    ASSERT_TRUE(child.waitForStarted(10'000));
    const qint32 pid = qint32(child.processId());
    // The exec happens right after the start; wait for it, bounded, as it is a real process.
    for (int i = 0; i < 500; ++i) {
        QFile exe(QString("/proc/%1/comm").arg(pid));
        if (exe.open(QIODevice::ReadOnly) && exe.readAll().startsWith("sleep")) {
            break;
        }
        ::usleep(10'000);
    }
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
    applications.removeObserver(&observer);
}
