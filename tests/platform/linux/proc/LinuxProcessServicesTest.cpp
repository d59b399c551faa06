#include "platform/linux/proc/LinuxProcessServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace ostrel;

namespace {

// The checked-in tree: 2 is a kernel thread, 1200 an ordinary process, 1300 one with an odd
// name, 1400 a fork that never executed, 1500 a process that vanished after the listing, 1600
// one with damaged entries. Everything else in it is not a process.
const QString kFixtureRoot = QStringLiteral(OSTREL_FIXTURES_DIR "/proc");

quint64 pagesToBytes(quint64 pages) {
    return pages * quint64(sysconf(_SC_PAGESIZE));
}

quint64 ticksToNanoseconds(quint64 ticks) {
    return ticks * 1'000'000'000ULL / quint64(sysconf(_SC_CLK_TCK));
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

    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    EXPECT_TRUE(LinuxProcessServices(empty.path() + "/missing").allPids().empty());
}

TEST(LinuxProcessServicesTest, ShortNameKeepsEverythingButTheTrailingNewline) {
    const LinuxProcessServices services(kFixtureRoot);
    EXPECT_EQ(services.shortName(1200), "cheese");
    EXPECT_EQ(services.shortName(2), "kthreadd");
    EXPECT_EQ(services.shortName(1300), "a) (b c\nd) ");
    EXPECT_EQ(services.shortName(1600),
              QString::fromUtf8("caf\xc3\xa9") + QChar(QChar::ReplacementCharacter));
}

TEST(LinuxProcessServicesTest, ExecutablePathIsTheLinkTargetAsWritten) {
    const LinuxProcessServices services(kFixtureRoot);
    EXPECT_EQ(services.executablePath(1200), "/usr/bin/cheese");
    EXPECT_EQ(services.executablePath(1300), "/usr/bin/odd tool (deleted)");
    EXPECT_EQ(services.executablePath(2), std::nullopt);
}

TEST(LinuxProcessServicesTest, BasicsTellWhetherTheProcessExecuted) {
    const LinuxProcessServices services(kFixtureRoot);

    const std::optional<ProcessBasics> ordinary = services.basics(1200);
    ASSERT_TRUE(ordinary);
    EXPECT_EQ(ordinary->shortName, "cheese");
    EXPECT_TRUE(ordinary->hasExecuted);

    // Its stat holds ") (" and a newline inside the name, and a split at the first ')' would
    // read the fork flag from an earlier field.
    const std::optional<ProcessBasics> oddName = services.basics(1300);
    ASSERT_TRUE(oddName);
    EXPECT_EQ(oddName->shortName, "a) (b c\nd) ");
    EXPECT_TRUE(oddName->hasExecuted);

    const std::optional<ProcessBasics> forked = services.basics(1400);
    ASSERT_TRUE(forked);
    EXPECT_EQ(forked->shortName, "bash");
    EXPECT_FALSE(forked->hasExecuted);

    const std::optional<ProcessBasics> kernelThread = services.basics(2);
    ASSERT_TRUE(kernelThread);
    EXPECT_FALSE(kernelThread->hasExecuted);

    // A cut-off stat still names the process but cannot vouch for an exec.
    const std::optional<ProcessBasics> damaged = services.basics(1600);
    ASSERT_TRUE(damaged);
    EXPECT_FALSE(damaged->hasExecuted);
}

TEST(LinuxProcessServicesTest, TaskFiguresAreInBytesAndNanoseconds) {
    const LinuxProcessServices services(kFixtureRoot);

    const std::optional<TaskFigures> ordinary = services.taskFigures(1200);
    ASSERT_TRUE(ordinary);
    EXPECT_EQ(ordinary->virtualSize, pagesToBytes(241122));
    EXPECT_EQ(ordinary->residentSize, pagesToBytes(16384));
    EXPECT_EQ(ordinary->totalUser, ticksToNanoseconds(250));
    EXPECT_EQ(ordinary->totalSystem, ticksToNanoseconds(75));

    const std::optional<TaskFigures> oddName = services.taskFigures(1300);
    ASSERT_TRUE(oddName);
    EXPECT_EQ(oddName->virtualSize, pagesToBytes(250));
    EXPECT_EQ(oddName->residentSize, pagesToBytes(200));
    EXPECT_EQ(oddName->totalUser, ticksToNanoseconds(7));
    EXPECT_EQ(oddName->totalSystem, ticksToNanoseconds(3));

    EXPECT_EQ(services.taskFigures(1600), std::nullopt);
}

TEST(LinuxProcessServicesTest, TaskFiguresThatCannotBeParsedOrHeldAreEmpty) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
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
        EXPECT_EQ(services.taskFigures(42), std::nullopt) << badStatm.constData();
    }
    writeFile(statm, goodStatm);

    for (const QByteArray& badStat :
         {QByteArray("42 (tool) S 1 42 42 0 -1 4194304 0 0 0 0 18446744073709551615 6 0\n"),
          QByteArray("42 (tool) S 1 42 42 0 -1 4194304 0 0 0 0 5\n"),
          QByteArray("42 tool S 1 42 42 0 -1 4194304 0 0 0 0 5 6 0\n")}) {
        writeFile(stat, badStat);
        EXPECT_EQ(services.taskFigures(42), std::nullopt) << badStat.constData();
    }
}

TEST(LinuxProcessServicesTest, DescriptorCountNeedsAReadableFolder) {
    const LinuxProcessServices services(kFixtureRoot);
    EXPECT_EQ(services.descriptorCount(1200), 4);
    // 1300's fd is a dangling link, 1600's a regular file.
    EXPECT_EQ(services.descriptorCount(1300), std::nullopt);
    EXPECT_EQ(services.descriptorCount(1600), std::nullopt);
}

TEST(LinuxProcessServicesTest, VanishedOrInvalidPidsAnswerEmpty) {
    const LinuxProcessServices services(kFixtureRoot);
    // 0 and the too-large pid have folders in the tree, yet are no processes.
    for (const qint32 pid : {1500, 9999, 0, -1, -1200}) {
        EXPECT_TRUE(services.shortName(pid).isEmpty()) << pid;
        EXPECT_EQ(services.executablePath(pid), std::nullopt) << pid;
        EXPECT_EQ(services.basics(pid), std::nullopt) << pid;
        EXPECT_EQ(services.taskFigures(pid), std::nullopt) << pid;
        EXPECT_EQ(services.descriptorCount(pid), std::nullopt) << pid;
    }
}

TEST(LinuxProcessServicesTest, AnswersForThisProcessFromTheRealProc) {
    const LinuxProcessServices services;
    const qint32 pid = services.ownPid();
    EXPECT_EQ(pid, qint32(getpid()));

    const std::vector<qint32> pids = services.allPids();
    EXPECT_TRUE(std::is_sorted(pids.begin(), pids.end()));
    EXPECT_NE(std::find(pids.begin(), pids.end(), pid), pids.end());

    EXPECT_EQ(services.executablePath(pid), QCoreApplication::applicationFilePath());
    const std::optional<ProcessBasics> basics = services.basics(pid);
    ASSERT_TRUE(basics);
    EXPECT_FALSE(basics->shortName.isEmpty());
    EXPECT_TRUE(QFileInfo(QCoreApplication::applicationFilePath())
                    .fileName()
                    .startsWith(basics->shortName));
    EXPECT_TRUE(basics->hasExecuted);

    const std::optional<TaskFigures> figures = services.taskFigures(pid);
    ASSERT_TRUE(figures);
    EXPECT_GT(figures->residentSize, 0u);
    EXPECT_GE(figures->virtualSize, figures->residentSize);

    const std::optional<int> descriptors = services.descriptorCount(pid);
    ASSERT_TRUE(descriptors);
    EXPECT_GT(*descriptors, 0);
}
