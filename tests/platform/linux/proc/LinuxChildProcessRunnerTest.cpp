#include "platform/linux/proc/LinuxChildProcessRunner.h"

#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace ostrel;
using namespace std::chrono_literals;
using Outcome = ChildProcessResult::Outcome;

namespace {

constexpr auto kDiscard = ChildProcessRunner::StandardError::Discard;
constexpr auto kInherit = ChildProcessRunner::StandardError::Inherit;

// Points this process's standard error at a file for as long as it lives.
class StandardErrorToFile {
public:
    explicit StandardErrorToFile(const QString& path) : saved_(dup(STDERR_FILENO)) {
        std::fflush(stderr);
        const int file = open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        dup2(file, STDERR_FILENO);
        close(file);
    }
    ~StandardErrorToFile() {
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }
    StandardErrorToFile(const StandardErrorToFile&) = delete;
    StandardErrorToFile& operator=(const StandardErrorToFile&) = delete;

private:
    int saved_;
};

// Blocks SIGTERM and ignores SIGPIPE in this process for as long as it lives.
class AlteredSignalState {
public:
    AlteredSignalState() {
        sigset_t terminate;
        sigemptyset(&terminate);
        sigaddset(&terminate, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &terminate, &savedMask_);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, &savedPipe_);
    }
    ~AlteredSignalState() {
        sigaction(SIGPIPE, &savedPipe_, nullptr);
        pthread_sigmask(SIG_SETMASK, &savedMask_, nullptr);
    }
    AlteredSignalState(const AlteredSignalState&) = delete;
    AlteredSignalState& operator=(const AlteredSignalState&) = delete;

private:
    sigset_t savedMask_;
    struct sigaction savedPipe_ {};
};

QByteArray fileContents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

int ownDescriptorCount() {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) {
        return -1;
    }
    int count = 0;
    while (const dirent* entry = readdir(dir)) {
        count += entry->d_name[0] != '.';
    }
    closedir(dir);
    return count;
}

// Whether the signal's bit is set in a mask line such as "SigBlk:\t0000000000004000" of
// /proc/<pid>/status.
bool maskHas(const QByteArray& status, const QByteArray& field, int signal) {
    for (const QByteArray& line : status.split('\n')) {
        if (line.startsWith(field + ':')) {
            bool ok = false;
            const quint64 mask = line.mid(field.size() + 1).trimmed().toULongLong(&ok, 16);
            EXPECT_TRUE(ok) << line.constData();
            return (mask >> (signal - 1)) & 1;
        }
    }
    ADD_FAILURE() << "no " << field.constData() << " line";
    return true;
}

// A killed process that is not ours is reaped by whoever adopted it, which can take a moment;
// a zombie counts as ended.
bool endsSoon(pid_t pid) {
    for (int attempt = 0; attempt < 500; ++attempt) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) {
            return true;
        }
        const QByteArray text = stat.readAll();
        if (text.mid(text.lastIndexOf(')') + 2, 1) == "Z") {
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

} // namespace

TEST(LinuxChildProcessRunnerTest, CapturesOutputAndExitStatus) {
    LinuxChildProcessRunner runner;

    const ChildProcessResult failing =
        runner.run("/bin/sh", {"-c", "printf hello; exit 3"}, kDiscard);
    EXPECT_EQ(failing.outcome, Outcome::Exited);
    EXPECT_EQ(failing.exitStatus, 3);
    EXPECT_EQ(failing.standardOutput, "hello");

    const ChildProcessResult succeeding = runner.run("/bin/true", {}, kDiscard);
    EXPECT_TRUE(succeeding.exitedWith(0));
    EXPECT_TRUE(succeeding.standardOutput.isEmpty());
}

TEST(LinuxChildProcessRunnerTest, StandardErrorIsDiscardedOrInheritedButNeverCaptured) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    LinuxChildProcessRunner runner;
    const QStringList script{"-c", "printf out; printf err >&2"};

    ChildProcessResult discarded;
    {
        StandardErrorToFile capture(folder.filePath("discarded"));
        discarded = runner.run("/bin/sh", script, kDiscard);
    }
    EXPECT_TRUE(discarded.exitedWith(0));
    EXPECT_EQ(discarded.standardOutput, "out");
    EXPECT_EQ(fileContents(folder.filePath("discarded")), "");

    ChildProcessResult inherited;
    {
        StandardErrorToFile capture(folder.filePath("inherited"));
        inherited = runner.run("/bin/sh", script, kInherit);
    }
    EXPECT_TRUE(inherited.exitedWith(0));
    EXPECT_EQ(inherited.standardOutput, "out");
    EXPECT_EQ(fileContents(folder.filePath("inherited")), "err");
}

TEST(LinuxChildProcessRunnerTest, ReadsOutputLargerThanThePipeWhole) {
    constexpr int kSize = 3 * 1024 * 1024;
    const ChildProcessResult result = LinuxChildProcessRunner().run(
        "/usr/bin/head", {"-c", QString::number(kSize), "/dev/zero"}, kDiscard);
    EXPECT_TRUE(result.exitedWith(0));
    EXPECT_EQ(result.standardOutput.size(), kSize);
    EXPECT_EQ(result.standardOutput.count('\0'), kSize);
}

TEST(LinuxChildProcessRunnerTest, ChildReadsAnEmptyStandardInput) {
    // With the terminal's input, cat would wait for a line until the bound.
    const ChildProcessResult result = LinuxChildProcessRunner().run("/bin/cat", {}, kDiscard);
    EXPECT_TRUE(result.exitedWith(0));
    EXPECT_TRUE(result.standardOutput.isEmpty());
}

TEST(LinuxChildProcessRunnerTest, PassesArgumentsAsGivenWithoutAShell) {
    const ChildProcessResult result =
        LinuxChildProcessRunner().run("/usr/bin/printf",
                                      {"[%s]", "2>/dev/null", "$HOME", "a b", "", "*", "; exit 7",
                                       QString::fromUtf8("caf\xc3\xa9")},
                                      kDiscard);
    EXPECT_TRUE(result.exitedWith(0));
    EXPECT_EQ(result.standardOutput, "[2>/dev/null][$HOME][a b][][*][; exit 7][caf\xc3\xa9]");
}

TEST(LinuxChildProcessRunnerTest, KillsAChildThatOutlivesTheBound) {
    LinuxChildProcessRunner runner(200ms);

    const ChildProcessResult result =
        runner.run("/bin/sh", {"-c", "echo $$; exec /bin/sleep 100"}, kDiscard);
    EXPECT_EQ(result.outcome, Outcome::TimedOut);
    EXPECT_TRUE(result.error.contains("200 ms")) << result.error.toStdString();
    // What it wrote before the bound is kept, and it has been reaped rather than left a zombie.
    bool isNumber = false;
    const pid_t child = result.standardOutput.trimmed().toInt(&isNumber);
    ASSERT_TRUE(isNumber) << result.standardOutput.constData();
    EXPECT_EQ(kill(child, 0), -1);
    EXPECT_EQ(errno, ESRCH);

    // A background job keeps the output open after its parent is gone; it is stopped as well.
    const ChildProcessResult withJob =
        runner.run("/bin/sh", {"-c", "/bin/sleep 100 & echo $!; wait"}, kDiscard);
    EXPECT_EQ(withJob.outcome, Outcome::TimedOut);
    const pid_t job = withJob.standardOutput.trimmed().toInt(&isNumber);
    ASSERT_TRUE(isNumber) << withJob.standardOutput.constData();
    EXPECT_TRUE(endsSoon(job));
}

TEST(LinuxChildProcessRunnerTest, ReportsAChildEndedByASignal) {
    const ChildProcessResult result =
        LinuxChildProcessRunner().run("/bin/sh", {"-c", "kill -9 $$"}, kDiscard);
    EXPECT_EQ(result.outcome, Outcome::Signalled);
    EXPECT_FALSE(result.exitedWith(0));
    EXPECT_TRUE(result.error.contains(QString::fromLocal8Bit(strsignal(SIGKILL))))
        << result.error.toStdString();
}

TEST(LinuxChildProcessRunnerTest, ReportsProgramsThatCannotStart) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString notExecutable = folder.filePath("script");
    QFile script(notExecutable);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho ran\n");
    script.close();
    ASSERT_TRUE(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    // Passes every check before the spawn; only exec itself can refuse it.
    const QString notAProgram = folder.filePath("garbage");
    QFile garbage(notAProgram);
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("\x7f"
                  "ELF but not really");
    garbage.close();
    ASSERT_TRUE(garbage.setPermissions(QFile::ReadOwner | QFile::ExeOwner));

    LinuxChildProcessRunner runner;
    for (const QString& program :
         {folder.filePath("missing"), notExecutable, notAProgram, folder.path(), QString()}) {
        const ChildProcessResult result = runner.run(program, {"argument"}, kDiscard);
        EXPECT_EQ(result.outcome, Outcome::LaunchFailed) << program.toStdString();
        EXPECT_FALSE(result.error.isEmpty()) << program.toStdString();
        EXPECT_TRUE(result.standardOutput.isEmpty()) << program.toStdString();
    }
}

TEST(LinuxChildProcessRunnerTest, ChildStartsWithDefaultSignalHandling) {
    ChildProcessResult result;
    {
        AlteredSignalState altered;
        result = LinuxChildProcessRunner().run("/bin/cat", {"/proc/self/status"}, kDiscard);
    }
    ASSERT_TRUE(result.exitedWith(0));
    EXPECT_FALSE(maskHas(result.standardOutput, "SigBlk", SIGTERM));
    EXPECT_FALSE(maskHas(result.standardOutput, "SigIgn", SIGPIPE));
}

TEST(LinuxChildProcessRunnerTest, LeavesNoDescriptorsOrChildrenBehind) {
    const int descriptorsBefore = ownDescriptorCount();
    LinuxChildProcessRunner runner(100ms);
    runner.run("/bin/sh", {"-c", "printf done"}, kDiscard);
    runner.run("/bin/sh", {"-c", "kill -9 $$"}, kInherit);
    runner.run("/bin/sleep", {"100"}, kDiscard);
    runner.run("/nonexistent/program", {}, kDiscard);

    EXPECT_EQ(ownDescriptorCount(), descriptorsBefore);
    int status = 0;
    EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}
