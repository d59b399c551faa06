#include "platform/linux/proc/LinuxProcessControl.h"

#include "support/CapturedLog.h"
#include "support/RunUntil.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <condition_variable>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace ostrel;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Signals reach a process soon but not at once, so its state is polled.
bool reaches(qint32 pid, char state) {
    return runUntil([&] {
        const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(pid));
        return stat.mid(stat.lastIndexOf(')') + 2, 1) == QByteArray(1, state);
    });
}

} // namespace

TEST(LinuxProcessControlTest, SignalsOnlyTheIdentifiedProcessWhileItLives) {
    CapturedLog log;
    LinuxProcessControl control;
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::pause(); // until the test ends it
        ::_exit(0);
    }
    const std::optional<ProcessIdentity> identity = control.identify(pid);
    ASSERT_TRUE(identity);

    // As if the pid had been handed to a newer process.
    const ProcessControlResult reused = control.suspend({pid, identity->startTime + 1});
    EXPECT_FALSE(reused.succeeded);
    EXPECT_EQ(reused.reason, QStringLiteral("PID %1 now belongs to another process").arg(pid));

    EXPECT_TRUE(control.suspend(*identity).succeeded);
    EXPECT_TRUE(reaches(pid, 'T'));
    EXPECT_TRUE(log.contains(QStringLiteral("⏸️ [ProcessControl] Suspended PID %1").arg(pid)));
    EXPECT_TRUE(control.resume(*identity).succeeded);
    EXPECT_TRUE(reaches(pid, 'S'));
    EXPECT_TRUE(control.terminate(*identity).succeeded);

    // Ended, whether still unreaped or reaped, it is refused, whatever now holds the pid.
    const QString ended = QStringLiteral("PID %1 has ended").arg(pid);
    EXPECT_TRUE(reaches(pid, 'Z'));
    EXPECT_FALSE(control.identify(pid));
    EXPECT_EQ(control.terminate(*identity).reason, ended);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(control.suspend(*identity).reason, ended);
    EXPECT_TRUE(log.contains(QStringLiteral("❌ [ProcessControl] Did not suspend PID %1: %2")
                                 .arg(QString::number(pid), ended)));
}

TEST(LinuxProcessControlTest, NeverSignalsInitOstrelOrOneOfItsThreads) {
    LinuxProcessControl control;
    for (qint32 pid : {1, 0, -7}) {
        EXPECT_EQ(control.terminate({pid, 1}).reason,
                  QStringLiteral("PID %1 is never signalled").arg(pid));
    }
    const std::optional<ProcessIdentity> self = control.identify(qint32(::getpid()));
    ASSERT_TRUE(self);
    EXPECT_EQ(control.suspend(*self).reason,
              QStringLiteral("PID %1 is Ostrel itself").arg(::getpid()));

    // A thread's id reads like a pid, but signalling it would stop all of Ostrel.
    std::promise<qint32> threadId;
    const std::jthread worker([&](const std::stop_token& stop) {
        threadId.set_value(qint32(::syscall(SYS_gettid)));
        std::mutex mutex;
        std::unique_lock lock(mutex);
        std::condition_variable_any().wait(lock, stop, [] { return false; });
    });
    const std::optional<ProcessIdentity> thread = control.identify(threadId.get_future().get());
    ASSERT_TRUE(thread);
    EXPECT_FALSE(control.suspend(*thread).succeeded);
}

TEST(LinuxProcessControlTest, ReadsTheStartTimeAfterAnyCommandName) {
    const QByteArray fields = " S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 987654 20 21";
    EXPECT_EQ(LinuxProcessControl::identityFromStat(5, "5 (a) b)" + fields),
              (ProcessIdentity{5, 987654}));
    for (const QByteArray& unusable : {"5 (a)" + QByteArray(fields).replace(" S ", " Z "),
                                       QByteArray("5 (a) S 1 2"), QByteArray("garbage")}) {
        EXPECT_FALSE(LinuxProcessControl::identityFromStat(5, unusable)) << unusable.constData();
    }
}

TEST(LinuxProcessControlTest, NeverStopsTheSessionsOwnProgramsToldByTheirExecutable) {
    QTemporaryDir folder;
    LinuxProcessControl control;
    // A command name is the program's own choice ("" renames the test's own child); the
    // executable's file name is not.
    for (const auto& [executable, stoppable] :
         {std::pair{QString("pipewire"), false}, {"kwin_wayland", false}, {"", true}}) {
        const QString copy = folder.filePath(executable);
        ASSERT_TRUE(executable.isEmpty() ||
                    QFile::copy(QStandardPaths::findExecutable("sleep"), copy));
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (executable.isEmpty()) {
                ::prctl(PR_SET_NAME, "pipewire");
                ::pause();
            }
            const QByteArray path = QFile::encodeName(copy);
            ::execl(path.constData(), path.constData(), "1000", nullptr);
            ::_exit(1);
        }
        EXPECT_TRUE(runUntil([&] { // until it has renamed itself or runs the copy
            return readAll(QStringLiteral("/proc/%1/comm").arg(pid)).trimmed() ==
                   (executable.isEmpty() ? "pipewire" : executable.left(15));
        }));
        const std::optional<ProcessIdentity> identity = control.identify(pid);
        ASSERT_TRUE(identity);
        EXPECT_EQ(control.suspend(*identity).succeeded, stoppable) << executable.toStdString();
        EXPECT_EQ(control.terminate(*identity).succeeded, stoppable);
        if (!stoppable) {
            EXPECT_TRUE(control.resume(*identity).succeeded); // always harmless
            ::kill(pid, SIGKILL);
        }
        ::waitpid(pid, nullptr, 0);
    }
}
