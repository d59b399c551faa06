#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

namespace ostrel {

// Memory and CPU figures of one process.
struct TaskFigures {
    quint64 virtualSize = 0;  // bytes
    quint64 residentSize = 0; // bytes
    quint64 totalUser = 0;    // nanoseconds of user CPU time
    quint64 totalSystem = 0;  // nanoseconds of system CPU time
};

// The short command name and the exec flag of one process.
struct ProcessBasics {
    QString shortName;
    bool hasExecuted = false; // the process has replaced its image since it was forked
};

// What Ostrel asks the kernel about processes. A fact that cannot be read (vanished pid,
// no permission) is an empty answer, never an error.
class ProcessServices {
public:
    virtual ~ProcessServices() = default;

    virtual qint32 ownPid() const = 0;
    // Short process name; empty when unknown.
    virtual QString shortName(qint32 pid) const = 0;
    virtual std::optional<QString> executablePath(qint32 pid) const = 0;
    // Every process id of the system, ascending; empty when the list cannot be read.
    virtual std::vector<qint32> allPids() const = 0;
    virtual std::optional<ProcessBasics> basics(qint32 pid) const = 0;
    virtual std::optional<TaskFigures> taskFigures(qint32 pid) const = 0;
    virtual std::optional<int> descriptorCount(qint32 pid) const = 0;
};

} // namespace ostrel
