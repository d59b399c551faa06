#include "platform/linux/camera/LinuxCameraService.h"

#include <QFile>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace ostrel {
namespace {

// The kernel reports an open a moment before the descriptor appears in the opener's fd
// folder. A walk in between misses the holder, so an open makes the index stale once more,
// this much later.
constexpr double kLateDescriptorRecheckSeconds = 0.2;

std::vector<QString> pathsOf(const std::vector<CameraNode>& nodes) {
    std::vector<QString> paths;
    paths.reserve(nodes.size());
    for (const CameraNode& node : nodes) {
        paths.push_back(node.path);
    }
    return paths;
}

bool containsPath(const std::vector<CameraNode>& nodes, const QString& path) {
    for (const CameraNode& node : nodes) {
        if (node.path == path) {
            return true;
        }
    }
    return false;
}

} // namespace

LinuxCameraService::LinuxCameraService(MainRunLoop& loop, qint32 ownPid, QString devRoot,
                                       QString sysRoot, QString procRoot)
    : loop_(loop), lister_(devRoot, sysRoot), index_(procRoot, ownPid),
      watcher_(lister_.deviceFolder(),
               {[this] { onNodesChanged(); }, [this](const QString& node) { onNodeOpened(node); },
                [this](const QString& node) { onNodeClosed(node); }, [this] { onEventsLost(); }}) {
    // The folder is watched before it is read, so no node slips between the two; the first
    // question walks the processes, which finds cameras opened before Ostrel started.
    nodes_ = lister_.list();
    watcher_.watchNodes(pathsOf(nodes_));
    index_.setNodePaths(pathsOf(nodes_));
}

LinuxCameraService::~LinuxCameraService() = default;

std::vector<CaptureDevice> LinuxCameraService::cameras() {
    refreshNodes();
    refreshHolders();
    std::vector<CaptureDevice> devices;
    devices.reserve(nodes_.size());
    for (const CameraNode& node : nodes_) {
        CaptureDevice device;
        device.localizedName = node.displayName;
        device.uniqueID = node.path;
        device.isInUseByAnotherApplication = !index_.holdersOf(node.path).empty();
        device.isConnected = true;
        devices.push_back(std::move(device));
    }
    return devices;
}

AuthorizationStatus LinuxCameraService::authorizationStatus() {
    refreshNodes();
    if (nodes_.empty()) {
        return AuthorizationStatus::Authorized;
    }
    for (const CameraNode& node : nodes_) {
        if (::faccessat(AT_FDCWD, QFile::encodeName(node.path).constData(), R_OK | W_OK,
                        AT_EACCESS) == 0) {
            return AuthorizationStatus::Authorized;
        }
    }
    return AuthorizationStatus::Denied;
}

std::vector<qint32> LinuxCameraService::holderPids() {
    refreshNodes();
    refreshHolders();
    return index_.holderPids();
}

bool LinuxCameraService::canNameHolders() {
    refreshNodes();
    refreshHolders();
    return index_.couldReadProcesses();
}

void LinuxCameraService::addObserver(CameraObserver* observer) {
    observers_.add(observer);
}

void LinuxCameraService::removeObserver(CameraObserver* observer) {
    observers_.remove(observer);
}

std::vector<CameraNode> LinuxCameraService::nodes() {
    refreshNodes();
    return nodes_;
}

std::vector<qint32> LinuxCameraService::holdersOf(const QString& nodePath) {
    refreshNodes();
    refreshHolders();
    return index_.holdersOf(nodePath);
}

int LinuxCameraService::netOpenCount(const QString& nodePath) const {
    return tally_.netOpenCount(nodePath);
}

// Connections are found by comparing node lists, so they are seen the same way with and
// without inotify.
void LinuxCameraService::refreshNodes() {
    if (watcher_.isWatching() && !nodesStale_) {
        return;
    }
    nodesStale_ = false;
    std::vector<CameraNode> listed = lister_.list();
    int connected = 0;
    int disconnected = 0;
    for (const CameraNode& node : listed) {
        connected += containsPath(nodes_, node.path) ? 0 : 1;
    }
    for (const CameraNode& node : nodes_) {
        if (!containsPath(listed, node.path)) {
            ++disconnected;
            tally_.forget(node.path);
        }
    }
    nodes_ = std::move(listed);
    const std::vector<QString> paths = pathsOf(nodes_);
    watcher_.watchNodes(paths);
    index_.setNodePaths(paths);
    postConnectionChanges(connected, disconnected);
}

void LinuxCameraService::refreshHolders() {
    if (!watcher_.isWatching()) {
        index_.markStale();
    }
    index_.refresh();
}

void LinuxCameraService::onNodesChanged() {
    nodesStale_ = true;
    index_.markStale();
    postNodeRefresh();
}

void LinuxCameraService::onNodeOpened(const QString& node) {
    tally_.opened(node);
    index_.markStale();
    lateDescriptorRecheck_ =
        loop_.scheduleOnce(kLateDescriptorRecheckSeconds, [this] { index_.markStale(); });
    postUsageCheck();
}

void LinuxCameraService::onNodeClosed(const QString& node) {
    tally_.closed(node);
    index_.markStale();
    postUsageCheck();
}

void LinuxCameraService::onEventsLost() {
    tally_.clear();
    onNodesChanged();
    postUsageCheck();
}

// Without a question from the detector, connections would wait for its next check.
void LinuxCameraService::postNodeRefresh() {
    if (nodeRefreshPosted_) {
        return;
    }
    nodeRefreshPosted_ = true;
    postAlive([this] {
        nodeRefreshPosted_ = false;
        refreshNodes();
    });
}

// A burst of opens and closes asks for one check.
void LinuxCameraService::postUsageCheck() {
    if (usageCheckPosted_) {
        return;
    }
    usageCheckPosted_ = true;
    postAlive([this] {
        usageCheckPosted_ = false;
        observers_.notify([](CameraObserver& observer) { observer.cameraUsageMayHaveChanged(); });
    });
}

void LinuxCameraService::postConnectionChanges(int connected, int disconnected) {
    if (connected == 0 && disconnected == 0) {
        return;
    }
    postAlive([this, connected, disconnected] {
        for (int i = 0; i < disconnected; ++i) {
            observers_.notify([](CameraObserver& observer) { observer.cameraDisconnected(); });
        }
        for (int i = 0; i < connected; ++i) {
            observers_.notify([](CameraObserver& observer) { observer.cameraConnected(); });
        }
    });
}

void LinuxCameraService::postAlive(MainRunLoop::Task task) {
    loop_.post([alive = std::weak_ptr<char>(alive_), task = std::move(task)] {
        if (!alive.expired()) {
            task();
        }
    });
}

} // namespace ostrel
