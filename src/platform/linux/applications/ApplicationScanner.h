#pragma once

#include "platform/linux/applications/ApplicationIdentifier.h"
#include "platform/linux/applications/ApplicationIdentity.h"
#include "platform/linux/proc/ProcFiles.h"

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
// user Ostrel runs as count. What a process is stays remembered: a process whose cgroup and
// executable stayed the same over a few scans is settled, and from then on only its
// executable is read again, which is where an exec shows. (Desktops move a new process into
// its application's unit right after starting it; later moves go unnoticed until the next
// exec.) A steady desktop so costs one link read per process and scan.
class ApplicationScanner {
public:
    ApplicationScanner(const ProcFiles& proc, const DesktopEntryIndex& entries, qint32 ownPid);

    ApplicationScan scan();
    // The index of the application the process belongs to: the scanned one it is part of,
    // else the one whose sandbox, snap or unit it runs in, else the same for its nearest
    // ancestor; none when no ancestor belongs to one.
    std::optional<int> applicationOwning(const ApplicationScan& scan, qint32 pid) const;
    // Identities depend on the desktop entries; after they changed, every process is looked
    // at again.
    void forgetIdentities() { remembered_.clear(); }
    int scanCount() const { return scanCount_; }

private:
    struct RememberedProcess {
        std::optional<QByteArray> cgroup;
        std::optional<QString> executable;
        std::optional<ApplicationIdentity> identity;
        std::optional<ProcessStatus> status; // read for processes of an application only
        int unchangedScans = 0;
    };

    // The scanned application whose sandbox, snap or unit the process runs in.
    std::optional<int> applicationPlacing(const ApplicationScan& scan, qint32 pid) const;
    // None for a process that is not the user's or has nothing to tell.
    std::optional<RememberedProcess> examine(qint32 pid, const std::vector<qint32>& pids) const;

    const ProcFiles& proc_;
    ApplicationIdentifier identifier_;
    uid_t ownUid_;
    uid_t ownFolderOwner_;
    QHash<qint32, RememberedProcess> remembered_;
    int scanCount_ = 0;
};

} // namespace ostrel
