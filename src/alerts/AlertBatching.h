#pragma once

#include "activitylog/ActivityLogger.h"
#include "alerts/AlertBatchingHost.h"
#include "alerts/NotificationManager.h"
#include "alerts/PendingNotification.h"
#include "base/MainRunLoop.h"
#include "base/WeakRef.h"
#include "platform/AlertPresenter.h"

#include <QMap>
#include <QSet>
#include <deque>
#include <functional>
#include <map>

namespace ostrel {

// Receives every device change the advanced monitor reports to the shell: decides which are
// news, writes them to the activity log, groups them into one notification per process name
// and direction, hands each group to the notification manager when the batch window closes,
// raises the modal security alert for suspicious and unauthorized processes, and refreshes
// the status menu. The shell owns it and calls deviceAccessChanged from its delegate call.
//
// Duplicates: one accepted state per device, shared by every source. The detector's own state
// is kept beside it, so a change of the detector is never taken for a duplicate of a finding
// that came first. A classified finding that is a duplicate still gets the security check,
// once per process name and device until that device's next accepted change.
//
// Batch window: 0.5 s after the last accepted change, but never later than 2 s after the
// oldest open batch was opened, so a stream of changes cannot hold a notification back.
//
// Batch handlers run one after the other from a queue of their own: while a security alert
// is open, the handlers queued behind it wait until it closes, even when the dialog runs an
// event loop of its own.
class AlertBatching final : public LifetimeTracked {
public:
    static constexpr double batchWindow = 0.5;
    static constexpr double maximumBatchAge = 2.0;

    // Every reference must outlive the batching.
    AlertBatching(AlertBatchingHost& host, MainRunLoop& runLoop, ActivityLogger& activityLogger,
                  NotificationManager& notificationManager, AlertPresenter& alertPresenter);
    AlertBatching(const AlertBatching&) = delete;
    AlertBatching& operator=(const AlertBatching&) = delete;

    void deviceAccessChanged(DeviceType device, bool isActive,
                             const std::optional<ProcessInfo>& processInfo);

    // Closes the batch window: queues one handler per open batch.
    void processBatchedNotifications();
    void handlePendingNotification(const PendingNotification& notification);
    static bool isLegitimateApp(const QString& processName);
    // Blocks until the user closes the alert.
    void showSecurityAlert(const ProcessInfo& processInfo, DeviceType device);
    void refreshStatusFromDetector();

    const QMap<QString, PendingNotification>& pendingNotifications() const {
        return pendingNotifications_;
    }
    const std::map<DeviceType, bool>& lastNotifiedState() const { return lastNotifiedState_; }
    bool isBatchWindowOpen() const { return notificationBatchTimer_.isActive(); }

private:
    bool detectorState(DeviceType device) const;
    // True when the report is the detector's own change of state.
    bool reportsDetectorChange(DeviceType device, bool isActive);
    void suppressDuplicate(DeviceType device, bool isActive,
                           const std::optional<ProcessInfo>& processInfo);
    void addToBatch(DeviceType device, bool isActive,
                    const std::optional<ProcessInfo>& processInfo);
    void restartBatchWindow();
    void checkSecurity(const ProcessInfo& processInfo, DeviceType device);
    void queueHandler(std::function<void()> handler);
    void runQueuedHandlers();

    AlertBatchingHost& host_;
    MainRunLoop& runLoop_;
    ActivityLogger& activityLogger_;
    NotificationManager& notificationManager_;
    AlertPresenter& alertPresenter_;

    QMap<QString, PendingNotification> pendingNotifications_;
    TimerHandle notificationBatchTimer_;
    std::map<DeviceType, bool> lastNotifiedState_;
    // The detector's state as last seen; it starts inactive, as the detector does.
    std::map<DeviceType, bool> lastDetectorState_{{DeviceType::Camera, false},
                                                  {DeviceType::Microphone, false}};
    // Classified process names already checked for a security alert, per device.
    std::map<DeviceType, QSet<QString>> securityCheckedNames_;

    std::deque<std::function<void()>> queuedHandlers_;
    bool alertOpen_ = false;
};

} // namespace ostrel
