#pragma once

#include "activitylog/ActivityLogger.h"
#include "advanced/AdvancedDeviceMonitor.h"
#include "alerts/AlertBatching.h"
#include "alerts/AlertBatchingHost.h"
#include "alerts/AllowedAppsManager.h"
#include "alerts/NotificationManager.h"
#include "alerts/SuspendedProcesses.h"
#include "app/SoftwareUpdateController.h"
#include "app/StatusItem.h"
#include "platform/AlertPresenter.h"
#include "platform/DesktopSettings.h"
#include "platform/ProcessControl.h"
#include "platform/UserNotificationCenter.h"
#include "ui/WindowController.h"

#include <QSettings>
#include <functional>
#include <memory>
#include <vector>

namespace ostrel {

// Everything the shell reaches; the entry point hands it the real desktop, tests fakes.
struct ShellEnvironment {
    AdvancedMonitorPlatform monitor;
    UserNotificationCenter& notificationCenter;
    ProcessControl& processControl;
    AlertPresenter& alerts;
    DesktopSettings& desktopSettings;
    StatusItem& statusItem;
    QSettings& preferences;
    // The store, made on first call: the launch sequence asks for it after the monitor.
    std::function<ActivityLogger&()> activityLogger;
    AllowedAppsManager& allowedApps;
};

// The application shell: starts every component in a fixed order, owns the status item and
// its menu, switches monitoring on and off, opens the windows, and saves state on quit. It
// receives the advanced monitor's records and hands them to the alert batching.
class AppDelegate final : public DeviceMonitorDelegate, private AlertBatchingHost {
public:
    static constexpr double permissionCheckDelay = 3.0;
    static inline const QString autoStartMonitoringKey =
        QStringLiteral("OstrelAutoStartMonitoring");
    static inline const QString logRetentionPeriodKey = QStringLiteral("OstrelLogRetentionPeriod");

    explicit AppDelegate(const ShellEnvironment& environment, WindowFactories windows = {});
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    // Asks the application to end; the entry point connects it to the Qt application.
    std::function<void()> requestQuit;

    // Menu actions.
    void showMainWindow();
    void toggleMonitoring();
    void showAllowedApps();
    void showSettings();
    void showActivityLog();
    void showOnboarding();
    void checkForUpdates();
    void quitApp();

    void startMonitoring();
    void stopMonitoring();
    void verifyPermissions();
    void showPermissionGuidance();
    void updateStatusMenu(bool camera, bool microphone) override;

    void deviceAccessChanged(DeviceType device, bool isActive,
                             const std::optional<ProcessInfo>& processInfo) override;

    bool isMonitoringActive() const override { return isMonitoringActive_; }
    AdvancedDeviceMonitor* deviceMonitor() const { return deviceMonitor_.get(); }
    NotificationManager* notificationManager() const { return notificationManager_.get(); }
    // Every process the user suspended; the dashboard reads and changes the same one.
    SuspendedProcesses& suspendedProcesses() { return suspendedProcesses_; }
    const StatusMenuModel& statusMenu() const { return statusMenu_; }

private:
    void setupStatusBar();
    void setupMenu();
    void setupNotificationManager();
    void setupAdvancedMonitoring();
    void setupActivityLogger();
    void performAutoStart();
    void handleMenuAction(StatusMenuItem::Action action);
    // Shows a window that is made once and reused while it lives.
    void showReusedWindow(std::unique_ptr<WindowController>& controller,
                          const std::function<std::unique_ptr<WindowController>()>& factory,
                          const QString& kind, bool keepAfterClose);
    void showFreshWindow(const std::function<std::unique_ptr<WindowController>()>& factory,
                         const QString& name);

    bool isCameraActive() const override;
    bool isMicrophoneActive() const override;

    ShellEnvironment environment_;
    SuspendedProcesses suspendedProcesses_;
    WindowFactories windows_;
    StatusMenuModel statusMenu_;
    bool hasMenu_ = false;
    std::unique_ptr<AdvancedDeviceMonitor> deviceMonitor_;
    std::unique_ptr<NotificationManager> notificationManager_;
    std::unique_ptr<AlertBatching> alertBatching_;
    std::unique_ptr<SoftwareUpdateController> updaterController_;
    bool isMonitoringActive_ = false;
    std::unique_ptr<WindowController> dashboardWindowController_;
    std::unique_ptr<WindowController> activityLogWindowController_;
    std::vector<std::unique_ptr<WindowController>> otherWindows_;
    std::vector<TimerHandle> permissionChecks_;
    // Shared with posted tasks, so none runs on a destroyed shell.
    std::shared_ptr<char> alive_ = std::make_shared<char>('\0');
};

} // namespace ostrel
