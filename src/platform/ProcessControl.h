#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace ostrel {

// One particular process: its pid and the moment it started. A pid alone may name another
// process once the first has ended; the pair never does.
struct ProcessIdentity {
    qint32 pid = 0;
    quint64 startTime = 0; // the system's own measure of when the process started

    friend bool operator==(const ProcessIdentity&, const ProcessIdentity&) = default;
};

struct ProcessControlResult {
    bool succeeded = false;
    QString reason; // what was done, or why nothing was, readable by the user
};

// Suspends, resumes and force-quits processes the user chose. Only the process that was
// identified is ever signalled: one that has ended, or whose pid now belongs to another
// process, is refused, and so are pids up to 1, Ostrel itself and the programs the desktop
// session stands on. Every call logs what it did or why it did nothing.
class ProcessControl {
public:
    virtual ~ProcessControl() = default;

    // The running process behind the pid, to hand back later; nothing when it has ended or
    // cannot be read.
    virtual std::optional<ProcessIdentity> identify(qint32 pid) const = 0;
    // The sound server, the display server, the compositor and the like: stopping one freezes
    // the whole session (a camera shared through PipeWire is held by the sound server itself),
    // so they are never signalled.
    virtual bool isSessionCritical(qint32 pid) const = 0;

    virtual ProcessControlResult suspend(const ProcessIdentity& process) = 0;
    virtual ProcessControlResult resume(const ProcessIdentity& process) = 0;
    // Ends the process at once, without giving it a chance to refuse.
    virtual ProcessControlResult terminate(const ProcessIdentity& process) = 0;
};

} // namespace ostrel
