#include "platform/linux/camera/CameraHolderIndex.h"

#include "base/Log.h"
#include "platform/linux/proc/ProcEntries.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace ostrel {
namespace {

void sortUnique(std::vector<qint32>& pids) {
    std::sort(pids.begin(), pids.end());
    pids.erase(std::unique(pids.begin(), pids.end()), pids.end());
}

} // namespace

CameraHolderIndex::CameraHolderIndex(const QString& procRoot, qint32 ownPid)
    : procRoot_(QFile::encodeName(procRoot)), ownPid_(ownPid) {}

void CameraHolderIndex::setNodePaths(const std::vector<QString>& nodePaths) {
    std::vector<QByteArray> encoded;
    encoded.reserve(nodePaths.size());
    for (const QString& path : nodePaths) {
        encoded.push_back(QFile::encodeName(path));
    }
    std::sort(encoded.begin(), encoded.end());
    encoded.erase(std::unique(encoded.begin(), encoded.end()), encoded.end());
    if (encoded == nodePaths_) {
        return;
    }
    // Until the next walk, the nodes that stay keep the holders found for them.
    std::vector<std::vector<qint32>> holders(encoded.size());
    for (size_t i = 0; i < encoded.size(); ++i) {
        const auto found = std::lower_bound(nodePaths_.begin(), nodePaths_.end(), encoded[i]);
        if (found != nodePaths_.end() && *found == encoded[i]) {
            holders[i] = holders_[size_t(found - nodePaths_.begin())];
        }
    }
    nodePaths_ = std::move(encoded);
    holders_ = std::move(holders);
    collectAllHolders();
    stale_ = true;
}

void CameraHolderIndex::refresh() {
    if (!stale_) {
        return;
    }
    stale_ = false;
    holders_.assign(nodePaths_.size(), {});
    allHolders_.clear();
    if (!nodePaths_.empty()) {
        walk();
    }
}

std::vector<qint32> CameraHolderIndex::holdersOf(const QString& nodePath) const {
    const QByteArray encoded = QFile::encodeName(nodePath);
    const auto found = std::lower_bound(nodePaths_.begin(), nodePaths_.end(), encoded);
    if (found == nodePaths_.end() || *found != encoded || holders_.empty()) {
        return {};
    }
    return holders_[size_t(found - nodePaths_.begin())];
}

void CameraHolderIndex::walk() {
    ++walkCount_;
    DIR* procFolder = ::opendir(procRoot_.constData());
    couldReadProcesses_ = procFolder != nullptr;
    if (!procFolder) {
        stale_ = true; // cheap to try again, and the answer matters
        if (!reportedUnreadableRoot_) {
            reportedUnreadableRoot_ = true;
            logLine(
                QStringLiteral("⚠️ [Cameras] Cannot read %1 (%2): camera holders are unknown")
                    .arg(QFile::decodeName(procRoot_),
                         QString::fromLocal8Bit(std::strerror(errno))));
        }
        return;
    }
    while (const dirent* entry = ::readdir(procFolder)) {
        const std::optional<qint32> pid = pidFromName(entry->d_name);
        if (pid && *pid != ownPid_) {
            scanProcess(::dirfd(procFolder), entry->d_name, *pid);
        }
    }
    ::closedir(procFolder);
    for (std::vector<qint32>& pids : holders_) {
        sortUnique(pids);
    }
    collectAllHolders();
}

void CameraHolderIndex::collectAllHolders() {
    allHolders_.clear();
    for (const std::vector<qint32>& pids : holders_) {
        allHolders_.insert(allHolders_.end(), pids.begin(), pids.end());
    }
    sortUnique(allHolders_);
}

// A process may vanish at any step; whatever cannot be read is skipped.
void CameraHolderIndex::scanProcess(int procFolderFd, const char* pidName, qint32 pid) {
    char fdFolderName[NAME_MAX + 8];
    std::snprintf(fdFolderName, sizeof fdFolderName, "%s/fd", pidName);
    const int fdFolderFd =
        ::openat(procFolderFd, fdFolderName, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY);
    if (fdFolderFd < 0) {
        return;
    }
    DIR* fdFolder = ::fdopendir(fdFolderFd);
    if (!fdFolder) {
        ::close(fdFolderFd);
        return;
    }
    char target[PATH_MAX];
    while (const dirent* entry = ::readdir(fdFolder)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        const ssize_t length = ::readlinkat(fdFolderFd, entry->d_name, target, sizeof target);
        // A full buffer means a cut-off target, which no node path is.
        if (length <= 0 || size_t(length) >= sizeof target) {
            continue;
        }
        const QByteArrayView link(target, length);
        for (size_t i = 0; i < nodePaths_.size(); ++i) {
            if (nodePaths_[i] == link && (holders_[i].empty() || holders_[i].back() != pid)) {
                holders_[i].push_back(pid);
            }
        }
    }
    ::closedir(fdFolder);
}

} // namespace ostrel
