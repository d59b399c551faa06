#pragma once

#include "platform/ProcessControl.h"
#include "platform/linux/proc/ProcFiles.h"

#include <QByteArray>

namespace ostrel {

// Signals processes through a pidfd: the descriptor is opened first and the process's start
// time (field 22 of /proc/<pid>/stat) read after, so a match proves the descriptor holds the
// process that was identified, and no later reuse of the pid can receive the signal. Without
// pidfds (kernels before 5.3) nothing is signalled.
//
// A session-critical process is told by its executable's file name, which a program cannot
// change once started (its command name it can); only when the executable is hidden (a
// process that made itself undumpable) does the command name stand in.
class LinuxProcessControl final : public ProcessControl {
public:
    explicit LinuxProcessControl(const QString& procRoot = QStringLiteral("/proc"));

    std::optional<ProcessIdentity> identify(qint32 pid) const override;
    bool isSessionCritical(qint32 pid) const override;
    ProcessControlResult suspend(const ProcessIdentity& process) override;
    ProcessControlResult resume(const ProcessIdentity& process) override;
    ProcessControlResult terminate(const ProcessIdentity& process) override;

    // The identity in a stat line; nothing when it cannot be parsed or the process has ended
    // (a zombie, or dead).
    static std::optional<ProcessIdentity> identityFromStat(qint32 pid, const QByteArray& stat);

private:
    struct Action;
    ProcessControlResult send(const ProcessIdentity& process, const Action& action);
    // Why the process must not receive the signal now; nothing when it may.
    std::optional<QString> refusal(const ProcessIdentity& process) const;

    ProcFiles proc_;
    qint32 ownPid_;
};

} // namespace ostrel
