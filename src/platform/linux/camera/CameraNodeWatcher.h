#pragma once

#include <QHash>
#include <QSet>
#include <QSocketNotifier>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

struct inotify_event;

namespace ostrel {

// Watches a device folder with inotify for camera nodes that appear, disappear or change
// owner, and the watched nodes for opens and closes. Events are read on the main thread as
// they arrive and handed on at once, one call per event.
class CameraNodeWatcher {
public:
    struct Handlers {
        // A `video*` entry appeared, disappeared or became watchable: the node list is stale.
        std::function<void()> nodesChanged;
        std::function<void(const QString& node)> nodeOpened;
        std::function<void(const QString& node)> nodeClosed;
        // Events were lost (or the folder watch ended): anything may have changed.
        std::function<void()> eventsLost;
    };

    CameraNodeWatcher(const QString& deviceFolder, Handlers handlers);
    ~CameraNodeWatcher();
    CameraNodeWatcher(const CameraNodeWatcher&) = delete;
    CameraNodeWatcher& operator=(const CameraNodeWatcher&) = delete;

    // False when the folder could not be watched or its watch ended; nothing is reported then.
    bool isWatching() const { return folderWatch_ >= 0; }
    // Watches exactly these nodes from now on. A node that is already watched is watched
    // again, so one re-created under the same name is followed. A node that cannot be watched
    // yet (the device manager may still be setting its owner) is tried again when its
    // attributes change.
    void watchNodes(const std::vector<QString>& nodePaths);
    // Hands on the events that arrived so far, as the main thread does when it next runs its
    // event loop: for a decision that must not go by events still queued.
    void readEvents();

private:
    void handleFolderEvent(const inotify_event& event);
    void handleNodeEvent(const inotify_event& event);
    bool addNodeWatch(const QString& path);
    void removeNodeWatch(const QString& path);
    void stop(const QString& reason);

    QString folder_;
    Handlers handlers_;
    int inotifyFd_ = -1;
    int folderWatch_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QHash<int, QString> nodeByWatch_;
    QHash<QString, int> watchByNode_;
    QSet<QString> unwatchable_; // wanted, but the last attempt to watch failed
};

} // namespace ostrel
