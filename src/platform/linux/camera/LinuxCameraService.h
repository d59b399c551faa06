#pragma once

#include "base/MainRunLoop.h"
#include "base/ObserverList.h"
#include "platform/CameraService.h"
#include "platform/linux/camera/CameraHolderIndex.h"
#include "platform/linux/camera/CameraNode.h"
#include "platform/linux/camera/CameraNodeLister.h"
#include "platform/linux/camera/CameraNodeWatcher.h"
#include "platform/linux/camera/CameraOpenTally.h"

#include <QString>
#include <memory>
#include <vector>

namespace ostrel {

// The cameras of a Linux machine: the `video*` nodes of the device folder, and the processes
// that hold them open. The node list and the holder index are kept until an inotify event says
// they may have changed, so a check with nothing new costs no walk of the processes. Without
// inotify every call reads everything again.
//
// Camera authorization is a permission probe with access(2), not open(2): opening a camera
// node may wake the device, and the open would come back as an event of the node watch.
class LinuxCameraService final : public CameraService {
public:
    LinuxCameraService(MainRunLoop& loop, qint32 ownPid, QString devRoot = QStringLiteral("/dev"),
                       QString sysRoot = QStringLiteral("/sys"),
                       QString procRoot = QStringLiteral("/proc"));
    ~LinuxCameraService() override;
    LinuxCameraService(const LinuxCameraService&) = delete;
    LinuxCameraService& operator=(const LinuxCameraService&) = delete;

    std::vector<CaptureDevice> cameras() override;
    // Authorized when some camera node may be opened for reading and writing, or when there is
    // none; Denied when nodes exist and none may.
    AuthorizationStatus authorizationStatus() override;
    std::vector<qint32> holderPids() override;
    // False only while the proc file system cannot be read.
    bool canNameHolders() override;
    void addObserver(CameraObserver* observer) override;
    void removeObserver(CameraObserver* observer) override;

    // The view below the capture question, per node: the current nodes, who Ostrel sees
    // holding one, and the net opens the node watch counted (see CameraOpenTally for how far
    // that count goes; always 0 without inotify). Net opens with no visible holder suggest a
    // holder Ostrel cannot inspect.
    std::vector<CameraNode> nodes();
    std::vector<qint32> holdersOf(const QString& nodePath);
    int netOpenCount(const QString& nodePath) const;

    bool watchesDeviceEvents() const { return watcher_.isWatching(); }
    // How many times the processes were walked: a check with no device event adds none.
    int holderWalkCount() const { return index_.walkCount(); }

private:
    void refreshNodes();
    void refreshHolders();
    void onNodesChanged();
    void onNodeOpened(const QString& node);
    void onNodeClosed(const QString& node);
    void onEventsLost();
    void postNodeRefresh();
    void postUsageCheck();
    void postConnectionChanges(int connected, int disconnected);
    void postAlive(MainRunLoop::Task task);

    MainRunLoop& loop_;
    CameraNodeLister lister_;
    CameraHolderIndex index_;
    CameraOpenTally tally_;
    CameraNodeWatcher watcher_;
    ObserverList<CameraObserver> observers_;
    std::vector<CameraNode> nodes_;
    bool nodesStale_ = false;
    bool nodeRefreshPosted_ = false;
    bool usageCheckPosted_ = false;
    TimerHandle lateDescriptorRecheck_;
    // Posted tasks hold it weakly, so none touches a destroyed service.
    std::shared_ptr<char> alive_ = std::make_shared<char>('\0');
};

} // namespace ostrel
