#include "platform/linux/proc/LinuxChildProcessRunner.h"

#include <QByteArray>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ostrel {
namespace {

using Clock = std::chrono::steady_clock;

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    // Not retried on EINTR: Linux releases the descriptor whatever close reports.
    void reset() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_;
};

// Owns a started child. Whichever way run() is left, the child is killed and reaped, so
// neither a running process nor a zombie outlives the call.
class Child {
public:
    explicit Child(pid_t pid) : pid_(pid) {}
    ~Child() {
        if (!reaped_) {
            kill();
            reap(true);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // The child leads its own process group, so this also reaches what it started.
    void kill() const {
        ::kill(-pid_, SIGKILL);
        ::kill(pid_, SIGKILL);
    }

    // True once the child is gone. Its wait status is then in status(), unless something
    // else in the process collected it first.
    bool reap(bool block) {
        for (;;) {
            int status = 0;
            const pid_t reaped = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
            if (reaped == pid_) {
                reaped_ = true;
                status_ = status;
                return true;
            }
            if (reaped == 0) {
                return false;
            }
            if (errno != EINTR) {
                reaped_ = true;
                return true;
            }
        }
    }

    bool waitUntil(Clock::time_point deadline) {
        for (;;) {
            if (reap(false)) {
                return true;
            }
            const Clock::time_point now = Clock::now();
            if (now >= deadline) {
                return false;
            }
            std::this_thread::sleep_for(
                std::min<Clock::duration>(deadline - now, std::chrono::milliseconds(2)));
        }
    }

    std::optional<int> status() const { return status_; }

private:
    pid_t pid_;
    bool reaped_ = false;
    std::optional<int> status_;
};

class SpawnSetup {
public:
    SpawnSetup() {
        actionsReady_ = ::posix_spawn_file_actions_init(&actions) == 0;
        attributesReady_ = ::posix_spawnattr_init(&attributes) == 0;
    }
    ~SpawnSetup() {
        if (actionsReady_) {
            ::posix_spawn_file_actions_destroy(&actions);
        }
        if (attributesReady_) {
            ::posix_spawnattr_destroy(&attributes);
        }
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // An errno value, 0 on success.
    int prepare(int outputFd, bool discardStandardError) {
        if (!actionsReady_ || !attributesReady_) {
            return ENOMEM;
        }
        // Standard output first: should the pipe have landed on descriptor 0 or 2, the
        // /dev/null opens below must not replace it before it is copied.
        int error = ::posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
        if (error == 0) {
            error = ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null",
                                                       O_RDONLY, 0);
        }
        if (error == 0 && discardStandardError) {
            error = ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null",
                                                       O_WRONLY, 0);
        }
        // The child starts clean of the signal mask and ignored signals of this process, and
        // in a group of its own so a kill past the bound reaches its own children too.
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        if (error == 0) {
            error = ::posix_spawnattr_setsigmask(&attributes, &none);
        }
        if (error == 0) {
            error = ::posix_spawnattr_setsigdefault(&attributes, &all);
        }
        if (error == 0) {
            error = ::posix_spawnattr_setpgroup(&attributes, 0);
        }
        if (error == 0) {
            error = ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK |
                                                                POSIX_SPAWN_SETSIGDEF |
                                                                POSIX_SPAWN_SETPGROUP);
        }
        return error;
    }

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;

private:
    bool actionsReady_ = false;
    bool attributesReady_ = false;
};

// Why the program cannot be started, as an errno value; 0 when it looks runnable. Checked
// before spawning so the reason is clear however the C library reports a failed exec.
int launchProblem(const QByteArray& path) {
    struct stat info;
    if (::stat(path.constData(), &info) != 0) {
        return errno;
    }
    // What execve itself answers for a folder or a device.
    if (!S_ISREG(info.st_mode)) {
        return EACCES;
    }
    if (::access(path.constData(), X_OK) != 0) {
        return errno;
    }
    return 0;
}

int millisecondsUntil(Clock::time_point deadline) {
    const auto remaining =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return int(std::clamp<decltype(remaining)>(remaining, 0, INT_MAX));
}

// Reads the pipe to its end. False when the deadline comes first.
bool drain(int fd, Clock::time_point deadline, QByteArray& output) {
    char buffer[65536];
    for (;;) {
        const int wait = millisecondsUntil(deadline);
        if (wait <= 0) {
            return false;
        }
        pollfd watched{fd, POLLIN, 0};
        const int ready = ::poll(&watched, 1, wait);
        if (ready < 0 && errno != EINTR) {
            // Nothing more can be read; the wait for the child's end still keeps the bound.
            return true;
        }
        if (ready <= 0) {
            continue;
        }
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count > 0) {
            output.append(buffer, count);
        } else if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
            return true;
        }
    }
}

} // namespace

LinuxChildProcessRunner::LinuxChildProcessRunner(std::chrono::milliseconds bound) : bound_(bound) {}

ChildProcessResult LinuxChildProcessRunner::run(const QString& program,
                                                const QStringList& arguments,
                                                StandardError standardError) {
    ChildProcessResult result;
    const QByteArray path = QFile::encodeName(program);
    if (path.isEmpty()) {
        result.error = QStringLiteral("no program given");
        return result;
    }
    if (const int problem = launchProblem(path)) {
        result.error = QStringLiteral("cannot start %1: %2").arg(program, errorText(problem));
        return result;
    }

    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        result.error = QStringLiteral("cannot start %1: %2").arg(program, errorText(errno));
        return result;
    }
    Descriptor readEnd(pipeEnds[0]);
    Descriptor writeEnd(pipeEnds[1]);

    std::vector<QByteArray> encoded;
    encoded.reserve(size_t(arguments.size()) + 1);
    encoded.push_back(path);
    for (const QString& argument : arguments) {
        encoded.push_back(argument.toLocal8Bit());
    }
    std::vector<char*> argv;
    argv.reserve(encoded.size() + 1);
    for (QByteArray& argument : encoded) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    SpawnSetup setup;
    pid_t pid = -1;
    int error = setup.prepare(writeEnd.get(), standardError == StandardError::Discard);
    if (error == 0) {
        error = ::posix_spawn(&pid, path.constData(), &setup.actions, &setup.attributes,
                              argv.data(), environ);
    }
    // Only the child may hold the write end, or the pipe never reports its end.
    writeEnd.reset();
    if (error != 0) {
        result.error = QStringLiteral("cannot start %1: %2").arg(program, errorText(error));
        return result;
    }

    Child child(pid);
    const Clock::time_point deadline = Clock::now() + bound_;
    const bool ended =
        drain(readEnd.get(), deadline, result.standardOutput) && child.waitUntil(deadline);
    if (!ended) {
        child.kill();
        child.reap(true);
        result.outcome = ChildProcessResult::Outcome::TimedOut;
        result.error = QStringLiteral("%1 did not finish and was stopped after %2 ms")
                           .arg(program)
                           .arg(bound_.count());
        return result;
    }

    const std::optional<int> status = child.status();
    if (status && WIFSIGNALED(*status)) {
        const int signal = WTERMSIG(*status);
        result.outcome = ChildProcessResult::Outcome::Signalled;
        result.error = QStringLiteral("%1 was ended by signal %2 (%3)")
                           .arg(program)
                           .arg(signal)
                           .arg(QString::fromLocal8Bit(::strsignal(signal)));
        return result;
    }
    result.outcome = ChildProcessResult::Outcome::Exited;
    if (status && WIFEXITED(*status)) {
        result.exitStatus = WEXITSTATUS(*status);
    } else {
        result.error = QStringLiteral("%1 ended, but its exit status was lost").arg(program);
    }
    return result;
}

} // namespace ostrel
