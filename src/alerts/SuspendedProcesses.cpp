#include "alerts/SuspendedProcesses.h"

#include "base/Log.h"

#include <algorithm>

namespace ostrel {

SuspendedProcesses::SuspendedProcesses(ProcessControl& control, QObject* parent)
    : QObject(parent), control_(control) {}

SuspendedProcesses::~SuspendedProcesses() {
    // Nobody listens any more: a process left stopped would stay stopped for good.
    blockSignals(true);
    resumeAll();
}

ProcessControlResult SuspendedProcesses::suspend(const ProcessIdentity& identity,
                                                 const ProcessInfo& process,
                                                 const QList<DeviceType>& devices) {
    const ProcessControlResult result = control_.suspend(identity);
    if (result.succeeded) {
        entries_.insert(identity.pid, {identity, process, devices});
        emit changed();
    }
    return result;
}

ProcessControlResult SuspendedProcesses::resume(qint32 pid) {
    const auto found = entries_.constFind(pid);
    if (found == entries_.constEnd()) {
        return {false, QStringLiteral("PID %1 was not suspended by Ostrel").arg(pid)};
    }
    const ProcessControlResult result = control_.resume(found->identity);
    if (result.succeeded || hasEnded(*found)) {
        entries_.erase(found);
        emit changed();
    }
    return result;
}

void SuspendedProcesses::forget(qint32 pid) {
    if (entries_.remove(pid) > 0) {
        emit changed();
    }
}

void SuspendedProcesses::forgetEnded() {
    bool removed = false;
    for (auto each = entries_.begin(); each != entries_.end();) {
        if (!hasEnded(*each)) {
            ++each;
            continue;
        }
        logLine(QStringLiteral("ℹ️ [SuspendedProcesses] Suspended process %1 has ended")
                    .arg(each.key()));
        each = entries_.erase(each);
        removed = true;
    }
    if (removed) {
        emit changed();
    }
}

void SuspendedProcesses::resumeAll() {
    if (entries_.isEmpty()) {
        return;
    }
    logLine(QStringLiteral("▶️ [SuspendedProcesses] Resuming %1 suspended processes")
                .arg(entries_.size()));
    for (const qint32 pid : pids()) {
        resume(pid);
    }
}

std::optional<SuspendedProcesses::Entry> SuspendedProcesses::entry(qint32 pid) const {
    const auto found = entries_.constFind(pid);
    return found == entries_.constEnd() ? std::nullopt : std::optional(*found);
}

QList<qint32> SuspendedProcesses::pids() const {
    QList<qint32> pids = entries_.keys();
    std::sort(pids.begin(), pids.end());
    return pids;
}

bool SuspendedProcesses::hasEnded(const Entry& entry) const {
    return control_.identify(entry.identity.pid) != std::optional(entry.identity);
}

} // namespace ostrel
