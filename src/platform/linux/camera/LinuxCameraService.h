#pragma once

#include "base/MainRunLoop.h"
#include "base/MonotonicTime.h"
#include "base/ObserverList.h"
#include "platform/CameraService.h"
#include "platform/linux/camera/CameraHolderIndex.h"
#include "platform/linux/camera/CameraNode.h"
#include "platform/linux/camera/CameraNodeLister.h"
#include "platform/linux/camera/CameraNodeWatcher.h"
#include "platform/linux/camera/CameraOpenTally.h"
#include "platform/linux/camera/CameraUse.h"
#include "platform/linux/camera/PhysicalCameras.h"

#include <QString>
#include <memory>
#include <vector>

namespace ostrel {

// The cameras of a Linux machine: the `video*` nodes of the device folder, grouped by the
// physical camera they belong to, and the processes that hold them open. The node list is kept
// until an inotify event says it may have changed. Walking every process's descriptors is
// costly, so opens and closes only ask for one walk, an interval later, and a probe that opens
// and closes a node within that interval is never seen as use. When the opens and closes since
// the last walk cancel out, as a program opening and closing a camera in a loop makes them, the
// walk waits several intervals. Between walks every answer about use comes from the last one.
// Without inotify each question reads the nodes again, and walks when the nodes changed or the
// last walk is an interval old.
//
// Camera authorization is a permission probe with access(2), not open(2): opening a camera
// node may wake the device, and the open would come back as an event of the node watch.
class LinuxCameraService final : public CameraService {
public:
    static constexpr double kDefaultWalkIntervalSeconds = 0.25;

    LinuxCameraService(MainRunLoop& loop, qint32 ownPid, QString devRoot = QStringLiteral("/dev"),
                       QString sysRoot = QStringLiteral("/sys"),
                       QString procRoot = QStringLiteral("/proc"),
                       double walkIntervalSeconds = kDefaultWalkIntervalSeconds);
    ~LinuxCameraService() override;
    LinuxCameraService(const LinuxCameraService&) = delete;
    LinuxCameraService& operator=(const LinuxCameraService&) = delete;

    // One device per physical camera, in use when any of its nodes is.
    std::vector<CaptureDevice> cameras() override;
    // Authorized when some camera node may be opened for reading and writing, or when there is
    // none; Denied when nodes exist and none may.
    AuthorizationStatus authorizationStatus() override;
    std::vector<qint32> holderPids() override;
    // False while the proc file system cannot be read, or while a node is held by a process
    // Ostrel cannot inspect.
    bool canNameHolders() override;
    // The process Ostrel cannot inspect, while one holds a node.
    std::vector<QString> unnamedHolders() override;
    void addObserver(CameraObserver* observer) override;
    void removeObserver(CameraObserver* observer) override;

    // The view below the capture question, per node: the current nodes, who Ostrel saw
    // holding one at the last walk, whether it was in use then (also by a holder Ostrel cannot
    // inspect), and the net opens the node watch counted so far (see CameraOpenTally for how
    // far that count goes; always 0 without inotify).
    std::vector<CameraNode> nodes();
    std::vector<qint32> holdersOf(const QString& nodePath);
    bool isNodeInUse(const QString& nodePath);
    int netOpenCount(const QString& nodePath) const;

    bool watchesDeviceEvents() const { return watcher_.isWatching(); }
    // How many times the processes were walked: a check with no device event adds none.
    int holderWalkCount() const { return index_.walkCount(); }

private:
    void refreshNodes();
    // Before answering a question: the first question walks at once, so cameras opened before
    // Ostrel started are found; later ones walk only without inotify, when the nodes changed or
    // the last walk is an interval old.
    void refreshHolders();
    void walkHolders();
    void scheduleWalk();
    void onWalkDue();
    void onNodesChanged();
    void onNodeOpened(const QString& node);
    void onNodeClosed(const QString& node);
    void onEventsLost();
    void postNodeRefresh();
    void postUsageCheck();
    void postConnectionChanges(PhysicalCameras::Changes changes);
    void postAlive(MainRunLoop::Task task);

    MainRunLoop& loop_;
    const double walkInterval_;
    CameraNodeLister lister_;
    CameraHolderIndex index_;
    CameraOpenTally tally_;
    CameraNodeWatcher watcher_;
    ObserverList<CameraObserver> observers_;
    std::vector<CameraNode> nodes_;
    PhysicalCameras cameras_;
    CameraUse use_;
    bool nodesStale_ = false;
    bool nodeRefreshPosted_ = false;
    bool usageCheckPosted_ = false;
    LastOccurrence lastWalk_;
    // The one walk asked for by events; while it is pending, events ask for no other.
    TimerHandle pendingWalk_;
    // Posted tasks hold it weakly, so none touches a destroyed service.
    std::shared_ptr<char> alive_ = std::make_shared<char>('\0');
};

} // namespace ostrel
