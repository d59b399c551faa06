#include "platform/linux/camera/CameraNodeWatcher.h"

#include "base/Log.h"
#include "platform/linux/camera/CameraNodeLister.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace ostrel {
namespace {

// IN_ATTRIB: the device manager sets a new node's owner and access list after creating it,
// and only then may Ostrel be allowed to watch it.
constexpr uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                                   IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr uint32_t kFolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT;
constexpr uint32_t kNodeEntryEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr uint32_t kNodeEvents = IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE;

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

CameraNodeWatcher::CameraNodeWatcher(const QString& deviceFolder, Handlers handlers)
    : folder_(deviceFolder), handlers_(std::move(handlers)) {
    inotifyFd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotifyFd_ >= 0) {
        folderWatch_ =
            ::inotify_add_watch(inotifyFd_, QFile::encodeName(folder_).constData(), kFolderEvents);
    }
    if (folderWatch_ < 0) {
        logLine(QStringLiteral("⚠️ [Cameras] Cannot watch %1 for camera events (%2); "
                               "rescanning on every check")
                    .arg(folder_, errorText(errno)));
        if (inotifyFd_ >= 0) {
            ::close(inotifyFd_);
            inotifyFd_ = -1;
        }
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(inotifyFd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { readEvents(); });
}

CameraNodeWatcher::~CameraNodeWatcher() {
    notifier_.reset();
    if (inotifyFd_ >= 0) {
        ::close(inotifyFd_);
    }
}

void CameraNodeWatcher::watchNodes(const std::vector<QString>& nodePaths) {
    if (!isWatching()) {
        return;
    }
    const QSet<QString> wanted(nodePaths.begin(), nodePaths.end());
    for (const QString& path : watchByNode_.keys()) {
        if (!wanted.contains(path)) {
            removeNodeWatch(path);
        }
    }
    unwatchable_.intersect(wanted);
    for (const QString& path : nodePaths) {
        addNodeWatch(path);
    }
}

bool CameraNodeWatcher::addNodeWatch(const QString& path) {
    const int watch =
        ::inotify_add_watch(inotifyFd_, QFile::encodeName(path).constData(), kNodeEvents);
    if (watch < 0) {
        const int error = errno;
        if (!unwatchable_.contains(path)) {
            logLine(QStringLiteral("⚠️ [Cameras] Cannot watch %1 for opens and closes (%2)")
                        .arg(path, errorText(error)));
        }
        removeNodeWatch(path);
        unwatchable_.insert(path);
        return false;
    }
    // A node re-created under the same name is another inode with a watch of its own.
    if (const auto old = watchByNode_.constFind(path);
        old != watchByNode_.cend() && *old != watch) {
        removeNodeWatch(path);
    }
    nodeByWatch_.insert(watch, path);
    watchByNode_.insert(path, watch);
    unwatchable_.remove(path);
    return true;
}

void CameraNodeWatcher::removeNodeWatch(const QString& path) {
    const auto found = watchByNode_.find(path);
    if (found == watchByNode_.end()) {
        return;
    }
    ::inotify_rm_watch(inotifyFd_, *found);
    nodeByWatch_.remove(*found);
    watchByNode_.erase(found);
}

void CameraNodeWatcher::readEvents() {
    alignas(inotify_event) char buffer[4096];
    while (isWatching()) {
        const ssize_t length = ::read(inotifyFd_, buffer, sizeof buffer);
        if (length < 0 && errno == EINTR) {
            continue;
        }
        if (length <= 0) {
            return; // drained (EAGAIN)
        }
        for (ssize_t offset = 0; offset < length && isWatching();) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += ssize_t(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                logLine(QStringLiteral("⚠️ [Cameras] Camera events were lost; rescanning"));
                handlers_.eventsLost();
            } else if (event->wd == folderWatch_) {
                handleFolderEvent(*event);
            } else {
                handleNodeEvent(*event);
            }
        }
    }
}

void CameraNodeWatcher::handleFolderEvent(const inotify_event& event) {
    if (event.mask & kFolderGone) {
        stop(QStringLiteral("it is gone"));
        handlers_.eventsLost();
        return;
    }
    if (event.len == 0 || !CameraNodeLister::isCameraNodeName(QByteArrayView(&event.name[0]))) {
        return;
    }
    if (event.mask & kNodeEntryEvents) {
        handlers_.nodesChanged();
        return;
    }
    // Opens made while the node was not watched were missed, hence the node list refresh.
    const QString name = QFile::decodeName(&event.name[0]);
    const QString path =
        folder_.endsWith(QLatin1Char('/')) ? folder_ + name : folder_ + QLatin1Char('/') + name;
    if ((event.mask & IN_ATTRIB) && unwatchable_.contains(path) && addNodeWatch(path)) {
        handlers_.nodesChanged();
    }
}

void CameraNodeWatcher::handleNodeEvent(const inotify_event& event) {
    const auto found = nodeByWatch_.constFind(event.wd);
    if (found == nodeByWatch_.cend()) {
        return; // a watch removed a moment ago
    }
    const QString path = *found;
    if (event.mask & IN_OPEN) {
        handlers_.nodeOpened(path);
    }
    if (event.mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
        handlers_.nodeClosed(path);
    }
    if (event.mask & IN_IGNORED) {
        // The node's inode is gone; if a node of that name is still listed, it is a new one.
        nodeByWatch_.remove(event.wd);
        watchByNode_.remove(path);
        handlers_.nodesChanged();
    }
}

void CameraNodeWatcher::stop(const QString& reason) {
    logLine(QStringLiteral("⚠️ [Cameras] Stopped watching %1 (%2); rescanning on every check")
                .arg(folder_, reason));
    folderWatch_ = -1;
    // Only disabled: this may run inside the notifier's own signal.
    notifier_->setEnabled(false);
}

} // namespace ostrel
