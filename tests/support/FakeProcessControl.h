#pragma once

#include "platform/ProcessControl.h"

#include <QHash>
#include <QSet>
#include <vector>

namespace ostrel {

// Processes the test describes by pid and start time; every signal is recorded and succeeds
// for a described process that still has the identity it was asked for, except stopping one
// the test calls session-critical.
class FakeProcessControl final : public ProcessControl {
public:
    enum class Signal { Suspend, Resume, Terminate };
    struct Call {
        Signal signal;
        ProcessIdentity process;
    };

    std::optional<ProcessIdentity> identify(qint32 pid) const override {
        const auto found = startTimes.constFind(pid);
        return found == startTimes.constEnd() ? std::nullopt
                                              : std::optional(ProcessIdentity{pid, *found});
    }
    bool isSessionCritical(qint32 pid) const override { return sessionCritical.contains(pid); }
    ProcessControlResult suspend(const ProcessIdentity& process) override {
        return record(Signal::Suspend, process);
    }
    ProcessControlResult resume(const ProcessIdentity& process) override {
        return record(Signal::Resume, process);
    }
    ProcessControlResult terminate(const ProcessIdentity& process) override {
        return record(Signal::Terminate, process);
    }

    QHash<qint32, quint64> startTimes;
    QSet<qint32> sessionCritical;
    std::vector<Call> calls;

private:
    ProcessControlResult record(Signal signal, const ProcessIdentity& process) {
        calls.push_back({signal, process});
        const bool same = identify(process.pid) == std::optional(process) &&
                          (signal == Signal::Resume || !isSessionCritical(process.pid));
        return {same, same ? QStringLiteral("done") : QStringLiteral("not the same process")};
    }
};

} // namespace ostrel
