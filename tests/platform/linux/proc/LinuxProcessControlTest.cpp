#include "platform/linux/proc/LinuxProcessControl.h"

#include "support/CapturedLog.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace ostrel;

namespace {

// The state letter of /proc/<pid>/stat, or 0 when it cannot be read.
char stateOf(qint32 pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray stat = file.readAll();
    const qsizetype end = stat.lastIndexOf(')');
    return end < 0 || end + 2 >= stat.size() ? 0 : stat.at(end + 2);
}

// Signals reach a child soon but not at once: bounded polling on a real process.
bool waitForState(qint32 pid, char wanted) {
    const QDeadlineTimer deadline(5000);
    while (stateOf(pid) != wanted && !deadline.hasExpired()) {
        QThread::msleep(5);
    }
    return stateOf(pid) == wanted;
}

class LinuxProcessControlTest : public testing::Test {
protected:
    qint32 startSleeper(QProcess& child, const QString& program = "/bin/sleep") {
        child.start(program, {"60"});
        EXPECT_TRUE(child.waitForStarted(5000));
        return qint32(child.processId());
    }

    LinuxProcessControl control;
    CapturedLog log;
};

} // namespace

TEST_F(LinuxProcessControlTest, SuspendsResumesAndEndsTheIdentifiedProcess) {
    QProcess child;
    const qint32 pid = startSleeper(child);
    const std::optional<ProcessIdentity> identity = control.identify(pid);
    ASSERT_TRUE(identity.has_value());
    EXPECT_EQ(identity->pid, pid);

    const ProcessControlResult suspended = control.suspend(*identity);
    EXPECT_TRUE(suspended.succeeded) << suspended.reason.toStdString();
    EXPECT_TRUE(waitForState(pid, 'T'));
    EXPECT_TRUE(log.contains(QStringLiteral("⏸️ [ProcessControl] Suspended PID %1").arg(pid)));

    EXPECT_TRUE(control.resume(*identity).succeeded);
    EXPECT_TRUE(waitForState(pid, 'S'));

    EXPECT_TRUE(control.terminate(*identity).succeeded);
    ASSERT_TRUE(child.waitForFinished(5000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    // Ended and reaped: refused, whatever now holds the pid.
    const ProcessControlResult late = control.suspend(*identity);
    EXPECT_FALSE(late.succeeded);
    EXPECT_TRUE(log.contains(
        QStringLiteral("❌ [ProcessControl] Did not suspend PID %1: ").arg(pid) + late.reason));
}

TEST_F(LinuxProcessControlTest, APidThatNamesAnotherProcessIsRefused) {
    QProcess child;
    const qint32 pid = startSleeper(child);
    std::optional<ProcessIdentity> identity = control.identify(pid);
    ASSERT_TRUE(identity.has_value());
    identity->startTime += 1; // as if the pid had been handed to a newer process

    const ProcessControlResult result = control.suspend(*identity);
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.reason, QStringLiteral("PID %1 now belongs to another process").arg(pid));
    EXPECT_NE(stateOf(pid), 'T'); // not stopped
    child.kill();
    child.waitForFinished(5000);
}

TEST_F(LinuxProcessControlTest, AnEndedButUnreapedProcessIsRefused) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::pause(); // until the test ends it
        ::_exit(0);
    }
    const std::optional<ProcessIdentity> identity = control.identify(pid);
    ASSERT_TRUE(identity.has_value());
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    EXPECT_TRUE(waitForState(pid, 'Z'));
    EXPECT_FALSE(control.identify(pid).has_value());
    const ProcessControlResult result = control.terminate(*identity);
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.reason, QStringLiteral("PID %1 has ended").arg(pid));
    ASSERT_EQ(::waitpid(pid, nullptr, 0), pid);
}

TEST_F(LinuxProcessControlTest, NeverSignalsInitOstrelOrOneOfItsThreads) {
    for (qint32 pid : {1, 0, -7}) {
        const ProcessControlResult result = control.terminate({pid, 1});
        EXPECT_FALSE(result.succeeded);
        EXPECT_EQ(result.reason, QStringLiteral("PID %1 is never signalled").arg(pid));
    }
    const std::optional<ProcessIdentity> self = control.identify(qint32(::getpid()));
    ASSERT_TRUE(self.has_value());
    EXPECT_EQ(control.suspend(*self).reason,
              QStringLiteral("PID %1 is Ostrel itself").arg(::getpid()));

    // A thread's id reads like a pid, but signalling it would stop all of Ostrel.
    std::atomic<qint32> threadId{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        threadId = qint32(::syscall(SYS_gettid));
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    while (threadId == 0) {
        std::this_thread::yield();
    }
    const std::optional<ProcessIdentity> thread = control.identify(threadId);
    ASSERT_TRUE(thread.has_value());
    EXPECT_FALSE(control.suspend(*thread).succeeded);
    done = true;
    worker.join();
}

TEST_F(LinuxProcessControlTest, ReadsTheStartTimeAfterAnyCommandName) {
    QTemporaryDir folder;
    const QString odd = folder.filePath("odd) (name");
    ASSERT_TRUE(QFile::copy("/bin/sleep", odd));
    QProcess child;
    const qint32 pid = startSleeper(child, odd);
    const std::optional<ProcessIdentity> identity = control.identify(pid);
    ASSERT_TRUE(identity.has_value());
    EXPECT_TRUE(control.suspend(*identity).succeeded);
    EXPECT_TRUE(waitForState(pid, 'T'));
    child.kill();
    child.waitForFinished(5000);

    const QByteArray fields = " S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 987654 20 21";
    EXPECT_EQ(LinuxProcessControl::identityFromStat(5, "5 (a) b)" + fields),
              (ProcessIdentity{5, 987654}));
    QByteArray zombie = "5 (a)" + fields;
    EXPECT_FALSE(
        LinuxProcessControl::identityFromStat(5, zombie.replace(" S ", " Z ")).has_value());
    EXPECT_FALSE(LinuxProcessControl::identityFromStat(5, "5 (a) S 1 2").has_value());
    EXPECT_FALSE(LinuxProcessControl::identityFromStat(5, "garbage").has_value());
}
