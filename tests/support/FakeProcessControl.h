#pragma once

#include "platform/ProcessControl.h"

#include <QHash>
#include <vector>

namespace ostrel {

// Processes the test describes by pid and start time; every signal is recorded and succeeds
// for a described process that still has the identity it was asked for.
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
    std::vector<Call> calls;

private:
    ProcessControlResult record(Signal signal, const ProcessIdentity& process) {
        calls.push_back({signal, process});
        const bool same = identify(process.pid) == std::optional(process);
        return {same, same ? QStringLiteral("done") : QStringLiteral("not the same process")};
    }
};

} // namespace ostrel
