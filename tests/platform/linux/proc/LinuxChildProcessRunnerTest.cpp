#include "platform/linux/proc/LinuxChildProcessRunner.h"

#include "support/RunUntil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ostrel;
using namespace std::chrono_literals;
using Outcome = ChildProcessResult::Outcome;
using StandardError = ChildProcessRunner::StandardError;

namespace {

int ownDescriptorCount() {
    return int(QDir("/proc/self/fd")
                   .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                   .size());
}

// Runs `action` with this process's standard input on a pipe that stays silent and its standard
// error in a file, and returns what reached the file.
QByteArray standardErrorDuring(const std::function<void()>& action) {
    QTemporaryFile file;
    int silence[2] = {-1, -1};
    EXPECT_TRUE(file.open() && pipe2(silence, O_CLOEXEC) == 0);
    std::fflush(stderr);
    const int savedInput = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    const int savedError = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    dup2(silence[0], STDIN_FILENO);
    dup2(file.handle(), STDERR_FILENO);
    action();
    std::fflush(stderr);
    dup2(savedInput, STDIN_FILENO);
    dup2(savedError, STDERR_FILENO);
    for (const int fd : {savedInput, savedError, silence[0], silence[1]}) {
        close(fd);
    }
    QFile written(file.fileName());
    return written.open(QIODevice::ReadOnly) ? written.readAll() : "<unreadable>";
}

// Whether a mask line of /proc/<pid>/status ("SigBlk:\t0000000000004000") holds the signal.
bool maskHas(const QByteArray& status, const QByteArray& field, int signal) {
    const qsizetype at = status.indexOf('\n' + field + ":\t");
    bool ok = false;
    const quint64 mask = status.mid(at + field.size() + 3, 16).toULongLong(&ok, 16);
    return at < 0 || !ok || ((mask >> (signal - 1)) & 1);
}

} // namespace

TEST(LinuxChildProcessRunnerTest, ReportsTheOutputAndEndOfEveryChildAndLeavesNothingBehind) {
    QTemporaryDir folder;
    const auto writeFile = [&](const QString& name, const QByteArray& text,
                               QFile::Permissions permissions) {
        QFile file(folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        EXPECT_TRUE(file.setPermissions(permissions));
        return file.fileName();
    };
    const QString notExecutable = writeFile("script", "#!/bin/sh\necho ran\n", QFile::ReadOwner);
    // Passes every check before the spawn; only exec itself can refuse it.
    const QString notAProgram =
        writeFile("garbage", "\177ELF but not really", QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray zeros(3 * 1024 * 1024, '\0'); // far more than the pipe holds
    // No shell in between: nothing is split, expanded or redirected.
    const QStringList verbatim{"[%s]", "2>/dev/null", "$HOME", "a b", "", "*", "; exit 7", "café"};
    const QByteArray bracketed = '[' + verbatim.mid(1).join("][").toUtf8() + ']';

    using enum Outcome;
    struct Case {
        QString program;
        QStringList arguments;
        Outcome outcome;
        int exitStatus;
        QByteArray output;
        QString errorHas;
    };
    const std::vector<Case> cases{
        // Standard error is discarded or inherited, but never captured.
        {"/bin/sh", {"-c", "printf out; printf err >&2; exit 3"}, Exited, 3, "out", {}},
        {"/bin/true", {}, Exited, 0, {}, {}},
        {"/usr/bin/head", {"-c", QString::number(zeros.size()), "/dev/zero"}, Exited, 0, zeros, {}},
        // Standard input is empty, never this process's own, which a child could wait on.
        {"/usr/bin/readlink", {"/proc/self/fd/0"}, Exited, 0, "/dev/null\n", {}},
        {"/usr/bin/printf", verbatim, Exited, 0, bracketed, {}},
        {"/bin/sh", {"-c", "kill -9 $$"}, Signalled, -1, {}, strsignal(SIGKILL)},
        {folder.filePath("missing"), {}, LaunchFailed, -1, {}, {}},
        {notExecutable, {}, LaunchFailed, -1, {}, {}},
        {notAProgram, {}, LaunchFailed, -1, {}, {}},
        {folder.path(), {}, LaunchFailed, -1, {}, {}},
        {QString(), {}, LaunchFailed, -1, {}, {}},
    };

    const int descriptors = ownDescriptorCount();
    LinuxChildProcessRunner runner;
    const auto runAll = [&](StandardError mode) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.program.toStdString() + ' ' + c.arguments.join(' ').toStdString());
            const ChildProcessResult result = runner.run(c.program, c.arguments, mode);
            EXPECT_EQ(result.outcome, c.outcome);
            EXPECT_EQ(result.exitStatus, c.exitStatus);
            EXPECT_EQ(result.exitedWith(c.exitStatus), c.outcome == Exited);
            EXPECT_TRUE(result.standardOutput == c.output) << result.standardOutput.left(99).data();
            EXPECT_EQ(result.error.isEmpty(), c.outcome == Exited);
            EXPECT_TRUE(result.error.contains(c.errorHas)) << result.error.toStdString();
        }
    };
    EXPECT_EQ(standardErrorDuring([&] { runAll(StandardError::Discard); }), "");
    EXPECT_EQ(standardErrorDuring([&] { runAll(StandardError::Inherit); }), "err");

    // Whatever this process blocks or ignores, a child starts with the default handling.
    sigset_t terminate;
    sigemptyset(&terminate);
    sigaddset(&terminate, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &terminate, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    const QByteArray status =
        runner.run("/bin/cat", {"/proc/self/status"}, StandardError::Discard).standardOutput;
    std::signal(SIGPIPE, SIG_DFL);
    pthread_sigmask(SIG_UNBLOCK, &terminate, nullptr);
    EXPECT_FALSE(maskHas(status, "SigBlk", SIGTERM));
    EXPECT_FALSE(maskHas(status, "SigIgn", SIGPIPE));
    EXPECT_EQ(ownDescriptorCount(), descriptors);
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST(LinuxChildProcessRunnerTest, StopsAChildAndItsJobsPastTheBoundKeepingTheirOutput) {
    LinuxChildProcessRunner runner(200ms);
    const auto printedPid = [](const ChildProcessResult& result) {
        EXPECT_EQ(result.outcome, Outcome::TimedOut);
        EXPECT_TRUE(result.error.contains("200 ms")) << result.error.toStdString();
        bool isNumber = false;
        const pid_t pid = result.standardOutput.trimmed().toInt(&isNumber);
        EXPECT_TRUE(isNumber) << result.standardOutput.constData();
        return isNumber ? pid : -1;
    };

    // The child itself is reaped at once, rather than left a zombie.
    const pid_t child = printedPid(
        runner.run("/bin/sh", {"-c", "echo $$; exec /bin/sleep 100"}, StandardError::Discard));
    ASSERT_GT(child, 0);
    EXPECT_EQ(kill(child, 0), -1);
    EXPECT_EQ(errno, ESRCH);

    // A background job keeps the output open after its parent is gone. Whoever adopted it
    // reaps it, which can take a moment; a zombie (no command line left) counts as ended.
    const pid_t job = printedPid(
        runner.run("/bin/sh", {"-c", "/bin/sleep 100 & echo $!; wait"}, StandardError::Discard));
    ASSERT_GT(job, 0);
    EXPECT_TRUE(runUntil([&] {
        QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(job));
        return !commandLine.open(QIODevice::ReadOnly) || commandLine.readAll().isEmpty();
    }));
}
