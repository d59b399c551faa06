#include "platform/linux/proc/ProcessListing.h"

#include "platform/linux/proc/ProcEntries.h"

#include <QByteArrayView>
#include <QList>
#include <QMutex>
#include <algorithm>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {
namespace {

// False when the folder cannot be opened or read to its end: a half list would make the
// processes left out look ended.
bool listPids(const QByteArray& root, std::vector<qint32>& pids) {
    pids.clear();
    const bool whole = forEachEntry(root, [&pids](const char* name) {
        if (const std::optional<qint32> pid = pidFromName(name)) {
            pids.push_back(*pid);
        }
    });
    if (!whole) {
        pids.clear();
        return false;
    }
    std::sort(pids.begin(), pids.end());
    return true;
}

// A pid handed out since the last look costs a failed open, or a short read while it lives;
// past this many of them a listing is cheaper.
constexpr qint64 kMaxProbes = 512;

// Counts stay far below this; the bound keeps them exact as signed numbers.
constexpr quint64 kMaxCount = quint64(std::numeric_limits<qint64>::max());

// What one read of the entry gives, up to `size` bytes; empty when it cannot be read.
QByteArray readStart(const QByteArray& path, qsizetype size) {
    const int fd = openEntry(path);
    if (fd < 0) {
        return {};
    }
    QByteArray text(size, Qt::Uninitialized);
    const ssize_t count = readOnce(fd, text.data(), std::size_t(size));
    ::close(fd);
    text.truncate(std::max<ssize_t>(count, 0));
    return text;
}

} // namespace

// What the kernel counts: tasks and the last pid from loadavg ("0.20 0.18 0.12 1/1587 12345":
// the fourth field ends with the number of tasks, the fifth is the last pid), and processes from
// the root folder's link count, which a proc file system keeps at a constant plus the number of
// processes (as any folder's is two plus its subfolders).
struct ProcessListing::Counts {
    qint64 tasks = 0;
    qint64 lastPid = 0;
    qint64 links = 0;
};

struct ProcessListing::Shared {
    QByteArray root;
    QMutex mutex;
    std::optional<Counts> counts; // at the last listing or look
    qint64 otherLinks = 0;        // the root's links that are no process
    std::vector<qint32> pids;
};

std::optional<ProcessListing::Counts> ProcessListing::counts() const {
    const QByteArray& root = shared_->root;
    const QByteArray loadavg = readStart(root + "/loadavg", 128);
    struct stat folder {};
    if (loadavg.isEmpty() || ::stat(root.constData(), &folder) != 0) {
        return std::nullopt;
    }
    const QList<QByteArray> fields = loadavg.simplified().split(' ');
    const qsizetype slash = fields.size() == 5 ? fields.at(3).indexOf('/') : -1;
    const std::optional<quint64> tasks =
        slash < 0 ? std::nullopt
                  : parseUnsigned(QByteArrayView(fields.at(3)).sliced(slash + 1), kMaxCount);
    const std::optional<quint64> lastPid =
        slash < 0 ? std::nullopt : parseUnsigned(fields.at(4), kMaxCount);
    if (!tasks || !lastPid) {
        return std::nullopt;
    }
    return Counts{qint64(*tasks), qint64(*lastPid), qint64(folder.st_nlink)};
}

// A thread can be looked up by its id like a process, but only a process leads its group.
bool ProcessListing::isProcess(qint64 id) const {
    // The group id is on the fourth line.
    const QByteArray text =
        readStart(shared_->root + '/' + QByteArray::number(id) + "/status", 512);
    const qsizetype at = text.indexOf("\nTgid:");
    const qsizetype end = at < 0 ? -1 : text.indexOf('\n', at + 1);
    return end > 0 && parseUnsigned(text.mid(at + 6, end - at - 6).trimmed()) == quint64(id);
}

bool ProcessListing::addStartedProcesses(const Counts& now) {
    const Counts& before = *shared_->counts;
    std::vector<qint32>& pids = shared_->pids;
    // Every task started since has a pid after the last one then, until the pids wrap around.
    if (now.lastPid < before.lastPid || now.lastPid - before.lastPid > kMaxProbes) {
        return false;
    }
    std::vector<qint32> started;
    for (qint64 id = before.lastPid + 1; id <= now.lastPid; ++id) {
        if (!std::binary_search(pids.begin(), pids.end(), qint32(id)) && isProcess(id)) {
            started.push_back(qint32(id));
        }
    }
    // Whether processes ended only a listing tells.
    if (now.links - shared_->otherLinks != qint64(pids.size() + started.size())) {
        return false;
    }
    const auto middle = pids.insert(pids.end(), started.begin(), started.end());
    std::inplace_merge(pids.begin(), middle, pids.end());
    return true;
}

ProcessListing::ProcessListing(const QByteArray& procRoot) {
    static QMutex registryMutex;
    static std::map<QByteArray, std::weak_ptr<Shared>> registry;
    const QMutexLocker lock(&registryMutex);
    std::erase_if(registry, [](const auto& root) { return root.second.expired(); });
    std::weak_ptr<Shared>& entry = registry[procRoot];
    shared_ = entry.lock();
    if (!shared_) {
        shared_ = std::make_shared<Shared>();
        shared_->root = procRoot;
        entry = shared_;
    }
}

std::vector<qint32> ProcessListing::pids() {
    const QMutexLocker lock(&shared_->mutex);
    // The counts are taken first: a process that starts while the folder is listed or looked
    // at changes the next counts, so it is never missed, only looked for once more.
    const std::optional<Counts> now = counts();
    const std::optional<Counts>& before = shared_->counts;
    const bool unchanged = now && before && now->tasks == before->tasks &&
                           now->lastPid == before->lastPid && now->links == before->links;
    if (unchanged || (now && before && addStartedProcesses(*now))) {
        shared_->counts = now;
        return shared_->pids;
    }
    const bool listed = listPids(shared_->root, shared_->pids);
    shared_->counts = listed ? now : std::nullopt;
    if (listed && now) {
        shared_->otherLinks = now->links - qint64(shared_->pids.size());
    }
    return shared_->pids;
}

} // namespace ostrel
