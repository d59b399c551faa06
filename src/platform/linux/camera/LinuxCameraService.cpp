#include "platform/linux/camera/LinuxCameraService.h"

#include "base/ProductIdentity.h"

#include <QFile>
#include <algorithm>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace ostrel {
namespace {

// How many walk intervals opens and closes that cancel out wait for their walk.
constexpr int kSettledWalkIntervals = 8;

std::vector<QString> pathsOf(const std::vector<CameraNode>& nodes) {
    std::vector<QString> paths;
    paths.reserve(nodes.size());
    for (const CameraNode& node : nodes) {
        paths.push_back(node.path);
    }
    return paths;
}

} // namespace

LinuxCameraService::LinuxCameraService(MainRunLoop& loop, qint32 ownPid, QString devRoot,
                                       QString sysRoot, QString procRoot,
                                       double walkIntervalSeconds)
    : loop_(loop), walkInterval_(walkIntervalSeconds), lister_(devRoot, sysRoot),
      index_(procRoot, ownPid),
      watcher_(lister_.deviceFolder(),
               {[this] { onNodesChanged(); }, [this](const QString& node) { onNodeOpened(node); },
                [this](const QString& node) { onNodeClosed(node); }, [this] { onEventsLost(); }}) {
    // The folder is watched before it is read, so no node slips between the two.
    nodes_ = lister_.list();
    cameras_.update(nodes_);
    const std::vector<QString> paths = pathsOf(nodes_);
    watcher_.watchNodes(paths);
    index_.setNodePaths(paths);
}

LinuxCameraService::~LinuxCameraService() = default;

std::vector<CaptureDevice> LinuxCameraService::cameras() {
    refreshNodes();
    refreshHolders();
    std::vector<CaptureDevice> devices;
    devices.reserve(cameras_.cameras().size());
    for (const PhysicalCamera& camera : cameras_.cameras()) {
        CaptureDevice device;
        device.localizedName = camera.displayName;
        device.uniqueID = camera.nodePaths.front();
        device.isInUseByAnotherApplication =
            std::any_of(camera.nodePaths.begin(), camera.nodePaths.end(),
                        [this](const QString& path) { return use_.isInUse(path); });
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
    return index_.couldReadProcesses() && !use_.hasUninspectableHolder();
}

std::vector<QString> LinuxCameraService::unnamedHolders() {
    refreshNodes();
    refreshHolders();
    if (!use_.hasUninspectableHolder()) {
        return {};
    }
    return {QStringLiteral("a process %1 cannot inspect").arg(kProductName)};
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

bool LinuxCameraService::isNodeInUse(const QString& nodePath) {
    refreshNodes();
    refreshHolders();
    return use_.isInUse(nodePath);
}

int LinuxCameraService::netOpenCount(const QString& nodePath) const {
    return tally_.netOpenCount(nodePath);
}

// Connections are found by comparing camera lists, so they are seen the same way with and
// without inotify.
void LinuxCameraService::refreshNodes() {
    if (watcher_.isWatching() && !nodesStale_) {
        return;
    }
    nodesStale_ = false;
    std::vector<CameraNode> listed = lister_.list();
    for (const CameraNode& node : nodes_) {
        if (std::none_of(listed.begin(), listed.end(),
                         [&](const CameraNode& now) { return now.path == node.path; })) {
            tally_.forget(node.path);
        }
    }
    nodes_ = std::move(listed);
    const PhysicalCameras::Changes changes = cameras_.update(nodes_);
    const std::vector<QString> paths = pathsOf(nodes_);
    watcher_.watchNodes(paths);
    index_.setNodePaths(paths);
    postConnectionChanges(changes);
}

void LinuxCameraService::refreshHolders() {
    const bool due =
        index_.isStale() || secondsSince(lastWalk_, loop_.monotonicNow()) >= walkInterval_;
    // Processes that could not be read are tried again, as without inotify.
    if (!lastWalk_ || ((!watcher_.isWatching() || !index_.couldReadProcesses()) && due)) {
        walkHolders();
    }
}

// Callers have just refreshed the nodes.
void LinuxCameraService::walkHolders() {
    index_.markStale();
    index_.refresh();
    lastWalk_ = loop_.monotonicNow();
    tally_.mark();
    CameraUse use(nodes_, index_, tally_);
    if (use != use_) {
        use_ = std::move(use);
        postUsageCheck();
    }
}

// Waiting an interval also lets an opener's descriptor appear in its fd folder: the kernel
// reports the open a moment before.
void LinuxCameraService::scheduleWalk() {
    if (!pendingWalk_.isActive()) {
        pendingWalk_ = loop_.scheduleOnce(walkInterval_, [this] { onWalkDue(); });
    }
}

// Opens and closes that cancel out are probes, or a program opening and closing a camera in a
// loop, and leave the holders as they were. They could also hide a swap of holders, or an open
// that a merged event left uncounted, so they still get a walk, only a later one.
void LinuxCameraService::onWalkDue() {
    // A probe's close may wait in the queue behind its open, which alone looks like use.
    watcher_.readEvents();
    pendingWalk_.cancel();
    refreshNodes();
    const bool settled = !index_.isStale() && !tally_.movedSinceMark();
    if (!settled ||
        secondsSince(lastWalk_, loop_.monotonicNow()) >= kSettledWalkIntervals * walkInterval_) {
        walkHolders();
    } else {
        pendingWalk_ = loop_.scheduleOnce(walkInterval_, [this] { onWalkDue(); });
    }
}

void LinuxCameraService::onNodesChanged() {
    nodesStale_ = true;
    postNodeRefresh();
    scheduleWalk();
}

void LinuxCameraService::onNodeOpened(const QString& node) {
    tally_.opened(node);
    scheduleWalk();
}

void LinuxCameraService::onNodeClosed(const QString& node) {
    tally_.closed(node);
    scheduleWalk();
}

void LinuxCameraService::onEventsLost() {
    tally_.clear();
    onNodesChanged();
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

// Several changes before the detector looks ask for one check.
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

void LinuxCameraService::postConnectionChanges(PhysicalCameras::Changes changes) {
    if (changes.connected == 0 && changes.disconnected == 0) {
        return;
    }
    postAlive([this, changes] {
        for (int i = 0; i < changes.disconnected; ++i) {
            observers_.notify([](CameraObserver& observer) { observer.cameraDisconnected(); });
        }
        for (int i = 0; i < changes.connected; ++i) {
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
