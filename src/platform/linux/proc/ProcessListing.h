#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <memory>
#include <optional>
#include <vector>

namespace ostrel {

// The process ids of a proc file system, listed again only when processes ended. Listing a
// /proc of 1500 processes costs from half a millisecond to several; the kernel's counts tell
// far cheaper whether anything changed: the number of tasks and the last pid handed out (in
// loadavg) and the number of processes (the root folder's link count). While they stay, the
// list stands. When only pids were handed out, the few new ones are looked at (threads and
// processes that already ended are left out); only when the process count says some ended is
// the folder listed again. Every listing of the same root in the program shares one list.
// Where the root has no readable loadavg, as a fixture tree may not, every request lists.
// Safe on any thread.
class ProcessListing {
public:
    explicit ProcessListing(const QByteArray& procRoot);

    // Every process id, ascending; empty when the root cannot be listed.
    std::vector<qint32> pids();

private:
    struct Counts;
    struct Shared;

    std::optional<Counts> counts() const;
    bool isProcess(qint64 id) const;
    // Adds the processes started since the last counts; false when that is not enough.
    bool addStartedProcesses(const Counts& now);

    std::shared_ptr<Shared> shared_;
};

} // namespace ostrel
