#pragma once

#include "detection/DeviceType.h"
#include "detection/ProcessInfo.h"
#include "platform/ProcessControl.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <optional>

namespace ostrel {

// Every process the user suspended, whether from a notification's Block or from the
// dashboard: both go through here, so each knows what the other did, and whatever is still
// suspended when Ostrel ends is resumed (at the latest when the registry is destroyed). The
// shell owns the one registry; the process control it wraps must outlive it.
class SuspendedProcesses final : public QObject {
    Q_OBJECT

public:
    struct Entry {
        ProcessIdentity identity;  // exactly the process to resume
        ProcessInfo process;       // how the user knows it
        QList<DeviceType> devices; // what it was using when suspended
    };

    explicit SuspendedProcesses(ProcessControl& control, QObject* parent = nullptr);
    ~SuspendedProcesses() override;
    SuspendedProcesses(const SuspendedProcesses&) = delete;
    SuspendedProcesses& operator=(const SuspendedProcesses&) = delete;

    ProcessControl& control() const { return control_; }

    // Suspends through the process control, which refuses what must not be stopped; the
    // process is remembered only when it was suspended.
    ProcessControlResult suspend(const ProcessIdentity& identity, const ProcessInfo& process,
                                 const QList<DeviceType>& devices);
    // Resumes a remembered process. One that has ended, or whose pid now names another
    // process, is forgotten, as nothing is left to resume.
    ProcessControlResult resume(qint32 pid);
    // After the user ended it some other way.
    void forget(qint32 pid);
    // Forgets every process that has ended: its pid may soon name another one.
    void forgetEnded();
    void resumeAll();

    bool contains(qint32 pid) const { return entries_.contains(pid); }
    std::optional<Entry> entry(qint32 pid) const;
    // Ascending.
    QList<qint32> pids() const;

signals:
    // After a process was remembered or forgotten.
    void changed();

private:
    bool hasEnded(const Entry& entry) const;

    ProcessControl& control_;
    QHash<qint32, Entry> entries_;
};

} // namespace ostrel
