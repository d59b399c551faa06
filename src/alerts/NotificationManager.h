#pragma once

#include "alerts/AllowedAppsManager.h"
#include "alerts/SuspendedProcesses.h"
#include "base/MainRunLoop.h"
#include "detection/DeviceType.h"
#include "detection/ProcessInfo.h"
#include "platform/UserNotificationCenter.h"

#include <QList>
#include <QSettings>
#include <optional>

namespace ostrel {

// Turns one batch of device changes into one desktop notification, stays quiet for the
// devices an application is allowed to use, and answers the buttons pressed in a
// notification. It keeps no state: every decision reads the centre, the allowed list or the
// preferences afresh.
//
// Preferences: deactivation notifications are posted only while "OstrelShowInactiveAlerts"
// is true, and notifications play a sound only while "OstrelSoundAlerts" is true.
class NotificationManager final : public UserNotificationCenterDelegate {
public:
    static inline const QString accessCategoryIdentifier = QStringLiteral("COMBINED_DEVICE_ACCESS");
    static inline const QString deactivationCategoryIdentifier =
        QStringLiteral("COMBINED_DEVICE_DEACTIVATION");
    static inline const QString showInactiveAlertsKey = QStringLiteral("OstrelShowInactiveAlerts");
    static inline const QString soundAlertsKey = QStringLiteral("OstrelSoundAlerts");

    // User-info keys. "processStartTime" identifies the process a "Block" will suspend.
    static inline const QString devicesKey = QStringLiteral("devices");
    static inline const QString processNameKey = QStringLiteral("processName");
    static inline const QString processPidKey = QStringLiteral("processPID");
    static inline const QString processStartTimeKey = QStringLiteral("processStartTime");
    static inline const QString isDeactivationKey = QStringLiteral("isDeactivation");

    // Every reference must outlive the manager. The shell makes the manager the centre's
    // delegate; "Block" suspends through the shell's registry, where the dashboard sees it.
    NotificationManager(UserNotificationCenter& center, AllowedAppsManager& allowedApps,
                        SuspendedProcesses& suspendedProcesses, QSettings& preferences,
                        MainRunLoop& runLoop);
    NotificationManager(const NotificationManager&) = delete;
    NotificationManager& operator=(const NotificationManager&) = delete;

    // Once at launch: logs the centre's answer and asks for permission when it is open.
    void requestNotificationPermission();

    // `devices` sorted by raw value. Devices the process is allowed to use are left out;
    // nothing is posted when none remain.
    void showCombinedNotification(const QList<DeviceType>& devices,
                                  const std::optional<ProcessInfo>& processInfo);
    void showCombinedDeactivationNotification(const QList<DeviceType>& devices,
                                              const ProcessInfo& processInfo);

    NotificationPresentation willPresentNotification(const NotificationRequest& request) override;
    void didReceiveNotificationResponse(const NotificationResponse& response) override;
    void handleNotificationResponse(const NotificationResponse& response);

    static NotificationCategory accessCategory();
    static NotificationCategory deactivationCategory();

private:
    // The devices left after the allowed list; logs when some or all are dropped.
    QList<DeviceType> devicesToNotify(const QList<DeviceType>& devices,
                                      const std::optional<ProcessInfo>& processInfo,
                                      const QString& skippedKind) const;
    void post(const NotificationRequest& request, const NotificationCategory& category,
              const QString& successLine, const QString& failurePrefix);
    void addAlways(const QString& processName, const QList<DeviceType>& devices, qint32 pid);
    void block(const QString& processName, const QList<DeviceType>& devices,
               const QVariantMap& userInfo, qint32 pid);

    UserNotificationCenter& center_;
    AllowedAppsManager& allowedApps_;
    SuspendedProcesses& suspendedProcesses_;
    QSettings& preferences_;
    MainRunLoop& runLoop_;
};

} // namespace ostrel
