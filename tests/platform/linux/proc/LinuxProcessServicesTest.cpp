#include "platform/linux/proc/LinuxProcessServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ostrel;

namespace {

// The checked-in tree: 2 is a kernel thread, 1200 an ordinary process, 1300 one with an odd
// name, 1400 a fork that never executed, 1500 a process that vanished after the listing, 1600
// one with damaged entries. Everything else in it is not a process.
const QString kFixtureRoot = QStringLiteral(OSTREL_FIXTURES_DIR "/proc");

// The figures in pages and clock ticks, as the proc files give them; empty when there are none.
std::vector<quint64> inPagesAndTicks(const std::optional<TaskFigures>& figures) {
    if (!figures) {
        return {};
    }
    const quint64 page = quint64(sysconf(_SC_PAGESIZE));
    const quint64 tick = 1'000'000'000ULL / quint64(sysconf(_SC_CLK_TCK));
    return {figures->virtualSize / page, figures->residentSize / page, figures->totalUser / tick,
            figures->totalSystem / tick};
}

void writeFile(const QString& path, const QByteArray& contents) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(contents), contents.size());
}

} // namespace

TEST(LinuxProcessServicesTest, ListsOnlyPositiveNumericEntriesInAscendingOrder) {
    EXPECT_EQ(LinuxProcessServices(kFixtureRoot).allPids(),
              (std::vector<qint32>{2, 1200, 1300, 1400, 1500, 1600}));
    EXPECT_TRUE(LinuxProcessServices(kFixtureRoot + "/missing").allPids().empty());
}

TEST(LinuxProcessServicesTest, ReadsWhatEachProcessFolderHoldsAndNothingForOthers) {
    struct Expected {
        qint32 pid;
        QString shortName; // everything but the kernel's trailing newline
        std::optional<QString> executable;
        std::optional<bool> hasExecuted;    // empty when there are no basics at all
        std::vector<quint64> pagesAndTicks; // virtual, resident, user, system
        std::optional<int> descriptors;
    };
    std::vector<Expected> table{
        {2, "kthreadd", {}, false, {0, 0, 0, 3}, {}},
        {1200, "cheese", "/usr/bin/cheese", true, {241122, 16384, 250, 75}, 4},
        // ") (" and a newline in the name trip a split at the first ')'; its fd is a dangling link.
        // Its executable was replaced on disk: the path is the program's all the same.
        {1300, "a) (b c\nd) ", "/usr/bin/odd tool", true, {250, 200, 7, 3}, {}},
        {1400, "bash", "/usr/bin/bash", false, {2197, 500, 1, 0}, {}},
        // A cut-off stat names the process but cannot vouch for an exec; its fd is a file.
        {1600, QString::fromUtf8("caf\xc3\xa9\xef\xbf\xbd"), {}, false, {}, {}},
    };
    // 1500 vanished after the listing; 0 has a folder in the tree, yet is no process.
    for (const qint32 pid : {1500, 9999, 0, -1, -1200}) {
        table.push_back({pid, {}, {}, {}, {}, {}});
    }
    const LinuxProcessServices services(kFixtureRoot);
    for (const Expected& expected : table) {
        SCOPED_TRACE(expected.pid);
        EXPECT_EQ(services.shortName(expected.pid), expected.shortName);
        EXPECT_EQ(services.executablePath(expected.pid), expected.executable);
        const std::optional<ProcessBasics> basics = services.basics(expected.pid);
        EXPECT_EQ(basics ? std::optional(basics->hasExecuted) : std::nullopt, expected.hasExecuted);
        EXPECT_EQ(basics ? basics->shortName : QString(), expected.shortName);
        EXPECT_EQ(inPagesAndTicks(services.taskFigures(expected.pid)), expected.pagesAndTicks);
        EXPECT_EQ(services.descriptorCount(expected.pid), expected.descriptors);
    }
}

// Listing a large /proc is costly: the kernel's counts (tasks and last pid in loadavg,
// processes in the root's link count) tell whether anything changed and which pids to look at.
TEST(LinuxProcessServicesTest, ListsAgainOnlyWhenProcessesEnded) {
    QTemporaryDir root;
    const LinuxProcessServices services(root.path());
    const auto start = [&root](const char* pid) {
        ASSERT_TRUE(QDir(root.path()).mkdir(pid));
        writeFile(root.filePath(pid) + "/status", QByteArray("Name:\tx\nTgid:\t") + pid + '\n');
    };
    const auto counts = [&root](const char* loadavg) {
        writeFile(root.filePath("loadavg"), loadavg);
    };
    counts("0.1 0.2 0.3 1/50 10\n");
    start("10");
    EXPECT_EQ(services.allPids(), std::vector<qint32>{10});
    // A listing would see every numeric entry; while the counts stay, none is made.
    writeFile(root.filePath("20"), "");
    counts("0.9 0.2 0.3 4/50 10\n");
    EXPECT_EQ(services.allPids(), std::vector<qint32>{10});
    // Pids handed out since: 30 is a new process, 31 a thread of it, 32 already ended.
    start("30");
    ASSERT_EQ(::symlink("30", QFile::encodeName(root.filePath("31")).constData()), 0);
    counts("0.9 0.2 0.3 5/53 32\n");
    EXPECT_EQ(services.allPids(), (std::vector<qint32>{10, 30}));
    // A process ended: only a listing tells which. Without counts every request lists.
    ASSERT_TRUE(QDir(root.filePath("10")).removeRecursively());
    counts("0.9 0.2 0.3 4/53 32\n");
    EXPECT_EQ(services.allPids(), (std::vector<qint32>{20, 30, 31}));
    counts("0.9 0.2 0.3\n");
    start("40");
    EXPECT_EQ(services.allPids(), (std::vector<qint32>{20, 30, 31, 40}));
}

// A process picks its root: a FIFO there would block an ordinary open for good, a symlink
// could lead anywhere. Only regular files are read, and every read returns at once.
TEST(ProcFilesTest, ReadsOnlyRegularFilesAndNeverWaits) {
    QTemporaryDir root;
    const auto at = [&root](const char* entry) { return QFile::encodeName(root.filePath(entry)); };
    const QByteArray info = "[Application]\nname=org.example.App\n";
    for (const char* folder : {"41/root", "42/root", "43/root"}) {
        ASSERT_TRUE(QDir(root.path()).mkpath(folder));
    }
    writeFile(root.filePath("41/root/.flatpak-info"), info);
    ASSERT_EQ(::mkfifo(at("42/root/.flatpak-info"), 0600) | ::mkfifo(at("42/status"), 0600) |
                  ::symlink(at("41/root/.flatpak-info"), at("43/root/.flatpak-info")) |
                  ::symlink("/usr/lib/firefox-esr/firefox-esr (deleted)", at("43/exe")),
              0);
    const ProcFiles files(root.path());
    EXPECT_EQ(files.flatpakInfo(41), info);
    EXPECT_FALSE(files.flatpakInfo(42) || files.status(42) || files.flatpakInfo(43));
    EXPECT_EQ(LinuxProcessServices(root.path()).executablePath(43),
              "/usr/lib/firefox-esr/firefox-esr");
}

TEST(LinuxProcessServicesTest, TaskFiguresThatCannotBeParsedOrHeldAreEmpty) {
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkdir("42"));
    const QString stat = root.filePath("42/stat");
    const QString statm = root.filePath("42/statm");
    const QByteArray goodStat = "42 (tool) S 1 42 42 0 -1 4194304 0 0 0 0 5 6 0 0 20 0 1 0 1 0 0\n";
    const QByteArray goodStatm = "10 5 0 0 0 0 0\n";
    const LinuxProcessServices services(root.path());

    writeFile(stat, goodStat);
    writeFile(statm, goodStatm);
    ASSERT_TRUE(services.taskFigures(42));
    for (const QByteArray& badStatm :
         {QByteArray("18446744073709551615 5 0 0 0 0 0\n"), QByteArray("10 99999999999999999999\n"),
          QByteArray("10 -5 0\n"), QByteArray("10\n"), QByteArray()}) {
        writeFile(statm, badStatm);
        EXPECT_FALSE(services.taskFigures(42)) << badStatm.constData();
    }
    writeFile(statm, goodStatm);

    for (const QByteArray& badStat :
         {QByteArray("42 (tool) S 1 42 42 0 -1 4194304 0 0 0 0 18446744073709551615 6 0\n"),
          QByteArray("42 (tool) S 1 42 42 0 -1 4194304 0 0 0 0 5\n"),
          QByteArray("42 tool S 1 42 42 0 -1 4194304 0 0 0 0 5 6 0\n")}) {
        writeFile(stat, badStat);
        EXPECT_FALSE(services.taskFigures(42)) << badStat.constData();
    }
}

TEST(LinuxProcessServicesTest, AnswersForThisProcessFromTheRealProc) {
    const LinuxProcessServices services;
    const qint32 pid = services.ownPid();
    EXPECT_EQ(pid, qint32(getpid()));
    EXPECT_EQ(std::ranges::count(services.allPids(), pid), 1);
    EXPECT_EQ(services.executablePath(pid), QCoreApplication::applicationFilePath());
    EXPECT_TRUE(services.basics(pid).value_or(ProcessBasics{}).hasExecuted);
    EXPECT_GT(services.taskFigures(pid).value_or(TaskFigures{}).residentSize, 0u);
    EXPECT_GT(services.descriptorCount(pid).value_or(0), 0);
}
