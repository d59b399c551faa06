#include "platform/linux/proc/LinuxProcessControl.h"

#include "base/Log.h"

#include <QFileInfo>
#include <QList>
#include <QScopeGuard>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/syscall.h>
#include <unistd.h>

namespace ostrel {

namespace {

constexpr int kStartTimeField = 22; // counted from 1, as the kernel documents them

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

int openPidfd(qint32 pid) {
    return int(::syscall(SYS_pidfd_open, pid, 0));
}

int sendThroughPidfd(int pidfd, int signal) {
    return int(::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0));
}

// Case does not matter: "Xorg", "Xwayland".
bool isSessionCriticalProgram(const QString& fileName) {
    static const QStringList names{
        QStringLiteral("pipewire"),
        QStringLiteral("pipewire-pulse"),
        QStringLiteral("pipewire-media-session"),
        QStringLiteral("wireplumber"),
        QStringLiteral("pulseaudio"),
        QStringLiteral("jackd"),
        QStringLiteral("jackdbus"),
        QStringLiteral("xorg"),
        QStringLiteral("x"),
        QStringLiteral("xwayland"),
        QStringLiteral("gnome-shell"),
        QStringLiteral("mutter"),
        QStringLiteral("gnome-session-binary"),
        QStringLiteral("plasmashell"),
        QStringLiteral("ksmserver"),
        QStringLiteral("weston"),
        QStringLiteral("sway"),
        QStringLiteral("hyprland"),
        QStringLiteral("labwc"),
        QStringLiteral("wayfire"),
        QStringLiteral("niri"),
        QStringLiteral("cosmic-comp"),
        QStringLiteral("systemd"),
        QStringLiteral("dbus-daemon"),
        QStringLiteral("dbus-broker"),
        QStringLiteral("dbus-broker-launch"),
    };
    const QString lowered = fileName.trimmed().toLower();
    return names.contains(lowered) || lowered.startsWith(QStringLiteral("kwin_"));
}

} // namespace

struct LinuxProcessControl::Action {
    int signal;
    const char* verb;     // "suspend"
    const char* done;     // "Suspended"
    const char* logEmoji; // of the success line
    bool stops;           // the process stops running: refused for the session's own programs
};

LinuxProcessControl::LinuxProcessControl(const QString& procRoot)
    : proc_(procRoot), ownPid_(qint32(::getpid())) {}

bool LinuxProcessControl::isSessionCritical(qint32 pid) const {
    const std::optional<QString> executable = proc_.executablePath(pid);
    return isSessionCriticalProgram(executable ? QFileInfo(*executable).fileName()
                                               : proc_.shortName(pid));
}

std::optional<ProcessIdentity> LinuxProcessControl::identityFromStat(qint32 pid,
                                                                     const QByteArray& stat) {
    // The command sits in parentheses and may itself hold spaces and ')'.
    const qsizetype commandEnd = stat.lastIndexOf(')');
    if (commandEnd < 0) {
        return std::nullopt;
    }
    const QList<QByteArray> fields = stat.mid(commandEnd + 1).simplified().split(' ');
    const qsizetype startTimeIndex = kStartTimeField - 3; // the list starts at field 3
    if (fields.size() <= startTimeIndex || fields.first().size() != 1) {
        return std::nullopt;
    }
    const char state = fields.first().at(0);
    if (state == 'Z' || state == 'X' || state == 'x') {
        return std::nullopt;
    }
    bool ok = false;
    const quint64 startTime = fields.at(startTimeIndex).toULongLong(&ok);
    if (!ok) {
        return std::nullopt;
    }
    return ProcessIdentity{pid, startTime};
}

std::optional<ProcessIdentity> LinuxProcessControl::identify(qint32 pid) const {
    if (pid <= 0) {
        return std::nullopt;
    }
    const std::optional<QByteArray> stat = proc_.readEntry(pid, "stat");
    return stat ? identityFromStat(pid, *stat) : std::nullopt;
}

ProcessControlResult LinuxProcessControl::suspend(const ProcessIdentity& process) {
    return send(process, {SIGSTOP, "suspend", "Suspended", "⏸️", true});
}

ProcessControlResult LinuxProcessControl::resume(const ProcessIdentity& process) {
    return send(process, {SIGCONT, "resume", "Resumed", "▶️", false});
}

ProcessControlResult LinuxProcessControl::terminate(const ProcessIdentity& process) {
    return send(process, {SIGKILL, "force-quit", "Force-quit", "⛔", true});
}

std::optional<QString> LinuxProcessControl::refusal(const ProcessIdentity& process) const {
    const std::optional<ProcessIdentity> current = identify(process.pid);
    if (!current) {
        return QStringLiteral("PID %1 has ended").arg(process.pid);
    }
    if (current->startTime != process.startTime) {
        return QStringLiteral("PID %1 now belongs to another process").arg(process.pid);
    }
    return std::nullopt;
}

ProcessControlResult LinuxProcessControl::send(const ProcessIdentity& process,
                                               const Action& action) {
    const auto refuse = [&](const QString& reason) {
        logLine(QStringLiteral("❌ [ProcessControl] Did not %1 PID %2: %3")
                    .arg(QLatin1String(action.verb), QString::number(process.pid), reason));
        return ProcessControlResult{false, reason};
    };

    if (process.pid <= 1) {
        return refuse(QStringLiteral("PID %1 is never signalled").arg(process.pid));
    }
    if (process.pid == ownPid_) {
        return refuse(QStringLiteral("PID %1 is Ostrel itself").arg(process.pid));
    }

    const int pidfd = openPidfd(process.pid);
    const int openError = pidfd < 0 ? errno : 0;
    const auto closePidfd = qScopeGuard([pidfd] {
        if (pidfd >= 0) {
            ::close(pidfd);
        }
    });
    if (pidfd < 0) {
        // EINVAL: the id of a thread, not of a process. ENOSYS: a kernel without pidfds, where
        // nothing keeps a reused pid from receiving the signal.
        return refuse(openError == ESRCH
                          ? QStringLiteral("PID %1 has ended").arg(process.pid)
                          : QStringLiteral("PID %1 cannot be signalled safely: %2")
                                .arg(QString::number(process.pid), errorText(openError)));
    }
    if (const std::optional<QString> reason = refusal(process)) {
        return refuse(*reason);
    }
    if (action.stops && isSessionCritical(process.pid)) {
        return refuse(
            QStringLiteral("PID %1 is a program the desktop session needs").arg(process.pid));
    }
    if (sendThroughPidfd(pidfd, action.signal) != 0) {
        const int sendError = errno;
        return refuse(sendError == ESRCH ? QStringLiteral("PID %1 has ended").arg(process.pid)
                                         : errorText(sendError));
    }
    const QString reason =
        QStringLiteral("%1 PID %2").arg(QLatin1String(action.done), QString::number(process.pid));
    logLine(
        QStringLiteral("%1 [ProcessControl] %2").arg(QString::fromUtf8(action.logEmoji), reason));
    return {true, reason};
}

} // namespace ostrel
