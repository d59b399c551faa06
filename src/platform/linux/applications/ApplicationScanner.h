#pragma once

#include "platform/linux/applications/ApplicationIdentifier.h"
#include "platform/linux/applications/ApplicationIdentity.h"
#include "platform/linux/proc/ProcFiles.h"
#include "platform/linux/proc/ProcessListing.h"

#include <QByteArray>
#include <QHash>
#include <optional>
#include <sys/types.h>
#include <vector>

namespace ostrel {

// One running application: the processes at the top of its trees, those whose parent does
// not belong to the same application (several when it was started more than once).
struct ScannedApplication {
    ApplicationIdentity identity;
    std::vector<qint32> topPids; // ascending
};

struct ApplicationScan {
    std::vector<ScannedApplication> applications; // ordered by their lowest top pid
    QHash<qint32, int> applicationOfPid;          // every process of an application -> its index
};

// Finds the user's processes that belong to desktop applications. Only processes of the
// user Ostrel runs as count. What a process is stays remembered: a new process is examined in
// full at each of its first scans, which is when desktops move it into its application's unit
// and launchers exec the program; once it looked the same over a few scans it is settled and
// not read again, so a scan of a steady desktop reads no process's entries. Only a
// settled process whose parent ended is read again (it was adopted), and one asked about by
// pid is checked for an exec since (recheck()).
class ApplicationScanner {
public:
    ApplicationScanner(const ProcFiles& proc, const DesktopEntryIndex& entries, qint32 ownPid);

    ApplicationScan scan();
    // Whether a settled process of the user no longer runs the executable it was identified
    // by; if so it is examined afresh at the next scan. One link read.
    bool recheck(qint32 pid);
    // The index of the application the process belongs to: the scanned one it is part of,
    // else the one whose sandbox, snap or unit it runs in, else the same for its nearest
    // ancestor; none when no ancestor belongs to one.
    std::optional<int> applicationOwning(const ApplicationScan& scan, qint32 pid) const;
    // Identities depend on the desktop entries; after they changed, every process is looked
    // at again.
    void forgetIdentities() { remembered_.clear(); }
    int scanCount() const { return scanCount_; }

private:
    // Another user's process, or one that cannot be read, is remembered with nothing in it.
    struct RememberedProcess {
        std::optional<QByteArray> cgroup;
        std::optional<QString> executable;
        std::optional<ApplicationIdentity> identity;
        std::optional<ProcessStatus> status; // read for processes of an application only
        int unchangedScans = -1;             // -1: never examined
    };

    // Whether the last scan identified the process from entries that had settled: the rules
    // of placement were tried on what it shows now.
    bool placementTriedByScan(qint32 pid) const;
    // The scanned application whose sandbox, snap or unit the process runs in.
    std::optional<int> applicationPlacing(const ApplicationScan& scan, qint32 pid) const;
    // Brings what is remembered of a listed process up to date.
    void examine(qint32 pid, RememberedProcess& process, const std::vector<qint32>& pids) const;

    const ProcFiles& proc_;
    ProcessListing listing_;
    ApplicationIdentifier identifier_;
    uid_t ownUid_;
    uid_t ownFolderOwner_;
    QHash<qint32, RememberedProcess> remembered_;
    int scanCount_ = 0;
};

} // namespace ostrel
