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
    : proc_(proc), listing_(proc.root()), identifier_(proc, entries) {
    const std::optional<ProcessStatus> own = proc.status(ownPid);
    ownUid_ = own ? own->realUid : ::getuid();
    // On a real /proc a process's folder belongs to its user: comparing owners first spares
    // reading the entries of the many processes of other users.
    ownFolderOwner_ = proc.folderOwner(ownPid).value_or(::geteuid());
}

void ApplicationScanner::examine(qint32 pid, RememberedProcess& process,
                                 const std::vector<qint32>& pids) const {
    if (process.unchangedScans >= kScansToSettle) {
        if (process.identity &&
            (!process.status ||
             !std::binary_search(pids.begin(), pids.end(), process.status->parentPid))) {
            process.status = proc_.status(pid); // its parent ended: it was adopted
        }
        return;
    }
    RememberedProcess now;
    if (proc_.folderOwner(pid) == ownFolderOwner_) {
        now.cgroup = proc_.cgroup(pid);
        now.executable = proc_.executablePath(pid);
    }
    if (process.unchangedScans >= 0 && process.cgroup == now.cgroup &&
        process.executable == now.executable) {
        now.identity = process.identity;
        now.unchangedScans = process.unchangedScans + 1;
    } else {
        now.unchangedScans = 0;
        if (now.cgroup || now.executable) {
            now.identity = identifier_.identify(pid, now.cgroup, now.executable);
        }
    }
    if (now.identity) {
        now.status = proc_.status(pid);
    }
    process = std::move(now);
}

bool ApplicationScanner::recheck(qint32 pid) {
    // The next scan looks at a new or young process anyway; another user's process has no
    // executable to compare.
    const auto known = remembered_.find(pid);
    if (known == remembered_.end() || known->unchangedScans < kScansToSettle ||
        !known->executable || proc_.executablePath(pid) == known->executable) {
        return false;
    }
    known->unchangedScans = -1;
    return true;
}

ApplicationScan ApplicationScanner::scan() {
    ++scanCount_;
    ApplicationScan result;
    QHash<QString, int> applicationOfId;
    std::vector<Member> members;
    const std::vector<qint32> pids = listing_.pids();
    remembered_.removeIf([&pids](const std::pair<const qint32&, RememberedProcess&>& entry) {
        return !std::binary_search(pids.begin(), pids.end(), entry.first);
    });
    for (const qint32 pid : pids) {
        RememberedProcess& process = remembered_[pid];
        examine(pid, process, pids);
        const std::optional<ApplicationIdentity>& identity = process.identity;
        const std::optional<ProcessStatus>& status = process.status;
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
        // in its application's sandbox or unit. Where the scan tried that on the settled
        // entries of the process, it would only fail again.
        if (status->realUid == ownUid_ && !placementTriedByScan(pid)) {
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

bool ApplicationScanner::placementTriedByScan(qint32 pid) const {
    const auto known = remembered_.constFind(pid);
    return known != remembered_.constEnd() && known->unchangedScans >= kScansToSettle &&
           (known->cgroup || known->executable);
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
