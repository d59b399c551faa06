#include "platform/linux/applications/ApplicationScanner.h"

#include <algorithm>
#include <unistd.h>

namespace ostrel {
namespace {

// Process trees are shallow; the bound only ends a walk through a damaged tree.
constexpr int kMaxAncestorSteps = 64;
// Scans a process must look the same in before it counts as settled.
constexpr int kScansToSettle = 3;

struct Member {
    qint32 pid;
    qint32 parentPid;
    int application;
};

} // namespace

ApplicationScanner::ApplicationScanner(const ProcFiles& proc, const DesktopEntryIndex& entries,
                                       qint32 ownPid)
    : proc_(proc), identifier_(proc, entries) {
    const std::optional<ProcessStatus> own = proc.status(ownPid);
    ownUid_ = own ? own->realUid : ::getuid();
    // On a real /proc a process's folder belongs to its user: comparing owners first spares
    // reading the entries of the many processes of other users.
    ownFolderOwner_ = proc.folderOwner(ownPid).value_or(::geteuid());
}

std::optional<ApplicationScanner::RememberedProcess>
ApplicationScanner::examine(qint32 pid, const std::vector<qint32>& pids) const {
    const auto known = remembered_.constFind(pid);
    const bool wasKnown = known != remembered_.constEnd();
    if (wasKnown && known->unchangedScans >= kScansToSettle) {
        const std::optional<QString> executable = proc_.executablePath(pid);
        // Another user's process reusing the pid would not let its executable be read.
        if (executable && executable == known->executable) {
            RememberedProcess process = *known;
            if (process.identity &&
                (!process.status ||
                 !std::binary_search(pids.begin(), pids.end(), process.status->parentPid))) {
                process.status = proc_.status(pid); // its parent ended: it was adopted
            }
            return process;
        }
    }
    if (proc_.folderOwner(pid) != ownFolderOwner_) {
        return std::nullopt;
    }
    RememberedProcess process{proc_.cgroup(pid), proc_.executablePath(pid), std::nullopt,
                              std::nullopt, 0};
    if (!process.cgroup && !process.executable) {
        return std::nullopt; // gone, or nothing to tell
    }
    if (wasKnown && known->cgroup == process.cgroup && known->executable == process.executable) {
        process.identity = known->identity;
        process.unchangedScans = known->unchangedScans + 1;
    } else {
        process.identity = identifier_.identify(pid, process.cgroup, process.executable);
    }
    if (process.identity) {
        process.status = proc_.status(pid);
    }
    return process;
}

ApplicationScan ApplicationScanner::scan() {
    ++scanCount_;
    ApplicationScan result;
    QHash<QString, int> applicationOfId;
    std::vector<Member> members;
    QHash<qint32, RememberedProcess> remembered;
    const std::vector<qint32> pids = proc_.pids();
    for (const qint32 pid : pids) {
        std::optional<RememberedProcess> process = examine(pid, pids);
        if (!process) {
            continue;
        }
        const std::optional<ApplicationIdentity> identity = process->identity;
        const std::optional<ProcessStatus> status = process->status;
        remembered.insert(pid, std::move(*process));
        if (!identity || !status || status->realUid != ownUid_) {
            continue;
        }
        int application = applicationOfId.value(identity->applicationId, -1);
        if (application < 0) {
            application = int(result.applications.size());
            applicationOfId.insert(identity->applicationId, application);
            result.applications.push_back(ScannedApplication{*identity, {}});
        } else if (identity->isFlatpak) {
            // The sandbox's host-side processes may be known only by their unit.
            result.applications[application].identity.isFlatpak = true;
        }
        members.push_back({pid, status->parentPid, application});
        result.applicationOfPid.insert(pid, application);
    }
    remembered_ = std::move(remembered);

    for (const Member& member : members) {
        if (result.applicationOfPid.value(member.parentPid, -1) != member.application) {
            result.applications[member.application].topPids.push_back(member.pid);
        }
    }
    // Applications whose processes all have a parent of the same application form a cycle
    // only in a damaged tree; they are left out.
    std::vector<int> order;
    for (int i = 0; i < int(result.applications.size()); ++i) {
        if (!result.applications[i].topPids.empty()) {
            order.push_back(i);
        }
    }
    std::sort(order.begin(), order.end(), [&result](int a, int b) {
        return result.applications[a].topPids.front() < result.applications[b].topPids.front();
    });
    std::vector<int> newIndex(result.applications.size(), -1);
    std::vector<ScannedApplication> ordered;
    for (const int old : order) {
        newIndex[old] = int(ordered.size());
        ordered.push_back(std::move(result.applications[old]));
    }
    result.applications = std::move(ordered);
    for (auto it = result.applicationOfPid.begin(); it != result.applicationOfPid.end();) {
        if (newIndex[it.value()] < 0) {
            it = result.applicationOfPid.erase(it);
        } else {
            it.value() = newIndex[it.value()];
            ++it;
        }
    }
    return result;
}

std::optional<int> ApplicationScanner::applicationOwning(const ApplicationScan& scan,
                                                         qint32 pid) const {
    for (int step = 0; step < kMaxAncestorSteps && pid > 0; ++step) {
        if (const auto found = scan.applicationOfPid.constFind(pid);
            found != scan.applicationOfPid.constEnd()) {
            return *found;
        }
        const std::optional<ProcessStatus> status = proc_.status(pid);
        if (!status) {
            return std::nullopt;
        }
        // A process started since the scan (or adopted away from its application) still runs
        // in its application's sandbox or unit.
        if (status->realUid == ownUid_) {
            if (const std::optional<int> placed = applicationPlacing(scan, pid)) {
                return placed;
            }
        }
        if (status->parentPid == pid) {
            return std::nullopt;
        }
        pid = status->parentPid;
    }
    return std::nullopt;
}

std::optional<int> ApplicationScanner::applicationPlacing(const ApplicationScan& scan,
                                                          qint32 pid) const {
    const std::optional<ApplicationIdentity> identity =
        identifier_.identifyPlacement(pid, proc_.cgroup(pid));
    if (!identity) {
        return std::nullopt;
    }
    for (int i = 0; i < int(scan.applications.size()); ++i) {
        if (scan.applications[i].identity.applicationId == identity->applicationId) {
            return i;
        }
    }
    return std::nullopt;
}

} // namespace ostrel
