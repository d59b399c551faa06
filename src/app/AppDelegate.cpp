#include "app/AppDelegate.h"

#include "base/Log.h"

#include <algorithm>

namespace ostrel {

AppDelegate::AppDelegate(const ShellEnvironment& environment, WindowFactories windows)
    : environment_(environment), suspendedProcesses_(environment_.processControl),
      windows_(std::move(windows)) {
    environment_.statusItem.setActionHandler(
        [this](StatusMenuItem::Action action) { handleMenuAction(action); });
}

AppDelegate::~AppDelegate() {
    environment_.statusItem.setActionHandler(nullptr);
}

void AppDelegate::applicationDidFinishLaunching() {
    setupStatusBar();
    setupNotificationManager();
    setupAdvancedMonitoring();
    setupActivityLogger();
    updaterController_ = std::make_unique<SoftwareUpdateController>(environment_.alerts);
    logLine(QStringLiteral("✅ [AppDelegate] Update checker ready (updates come from the "
                           "system's package manager)"));
    showOnboarding();
    // A tray application has no main window and no presence of its own in the task list.
    performAutoStart();
}

void AppDelegate::setupStatusBar() {
    environment_.statusItem.setIcon(false);
    setupMenu();
}

void AppDelegate::setupMenu() {
    statusMenu_ = StatusMenuModel::build(isMonitoringActive_);
    environment_.statusItem.setMenu(statusMenu_);
    hasMenu_ = true;
}

void AppDelegate::setupNotificationManager() {
    notificationManager_ = std::make_unique<NotificationManager>(
        environment_.notificationCenter, environment_.allowedApps, suspendedProcesses_,
        environment_.preferences, environment_.monitor.detector.loop);
    environment_.notificationCenter.delegate = notificationManager_.get();
    logLine(QStringLiteral("📱 Notification manager setup complete (delegate set)"));
    notificationManager_->requestNotificationPermission();
}

void AppDelegate::setupAdvancedMonitoring() {
    deviceMonitor_ = std::make_unique<AdvancedDeviceMonitor>(environment_.monitor);
    deviceMonitor_->delegate = this;
    logLine(QStringLiteral(
        "🚀 [AppDelegate] Advanced device monitoring system initialized (not started)"));
}

void AppDelegate::setupActivityLogger() {
    ActivityLogger& logger = environment_.activityLogger();
    AlertBatchingHost& host = *this;
    alertBatching_ =
        std::make_unique<AlertBatching>(host, environment_.monitor.detector.loop, logger,
                                        *notificationManager_, environment_.alerts);
    std::weak_ptr<char> alive = alive_;
    environment_.monitor.detector.loop.post([alive, &logger] {
        if (!alive.expired()) {
            logLine(QStringLiteral("🚀 [AppDelegate] Activity logger initialized with %1 existing "
                                   "logs")
                        .arg(logger.logs().size()));
        }
    });

    const QString stored =
        environment_.preferences.value(logRetentionPeriodKey, QStringLiteral("24h")).toString();
    if (const std::optional<LogRetentionPeriod> period = logRetentionPeriodFromRawValue(stored)) {
        logger.setRetentionPeriod(*period);
    }

    const LogFileInfo info = logger.getLogFileInfo();
    logLine(QStringLiteral("📁 [AppDelegate] Log file status:"));
    logLine(QStringLiteral("   - File exists: ") + boolText(info.fileExists));
    logLine(QStringLiteral("   - File size: %1 bytes").arg(info.fileSize));
    logLine(QStringLiteral("   - Logs in memory: %1").arg(info.logCount));
    logLine(QStringLiteral("   - File path: ") + logger.logFilePath());
}

void AppDelegate::performAutoStart() {
    QSettings& preferences = environment_.preferences;
    if (preferences.contains(autoStartMonitoringKey)) {
        if (!preferences.value(autoStartMonitoringKey).toBool()) {
            logLine(QStringLiteral(
                "ℹ️ [AppDelegate] Auto-start monitoring disabled by user preference"));
            return;
        }
        startMonitoring();
        return;
    }
    startMonitoring();
    preferences.setValue(autoStartMonitoringKey, true);
    logLine(QStringLiteral("✅ [AppDelegate] Set auto-start monitoring default to true"));
}

void AppDelegate::handleMenuAction(StatusMenuItem::Action action) {
    switch (action) {
    case StatusMenuItem::Action::ShowMainWindow:
        showMainWindow();
        break;
    case StatusMenuItem::Action::ToggleMonitoring:
        toggleMonitoring();
        break;
    case StatusMenuItem::Action::ShowAllowedApps:
        showAllowedApps();
        break;
    case StatusMenuItem::Action::ShowSettings:
        showSettings();
        break;
    case StatusMenuItem::Action::ShowActivityLog:
        showActivityLog();
        break;
    case StatusMenuItem::Action::ShowOnboarding:
        showOnboarding();
        break;
    case StatusMenuItem::Action::CheckForUpdates:
        checkForUpdates();
        break;
    case StatusMenuItem::Action::Quit:
        quitApp();
        break;
    case StatusMenuItem::Action::None:
        break;
    }
}

void AppDelegate::toggleMonitoring() {
    if (isMonitoringActive_) {
        stopMonitoring();
    } else {
        startMonitoring();
    }
}

void AppDelegate::startMonitoring() {
    if (isMonitoringActive_) {
        return;
    }
    logLine(QStringLiteral("🚀 [AppDelegate] Starting device monitoring..."));
    deviceMonitor_->startComprehensiveMonitoring();
    isMonitoringActive_ = true;
    setupMenu();
    environment_.activityLogger().startLogging();
    for (const char* line :
         {"✅ [AppDelegate] Advanced device monitoring started",
          "   - Kernel-level monitoring: ENABLED", "   - Process tracking: ENABLED",
          "   - Brief access detection: ENABLED", "   - File descriptor monitoring: ENABLED",
          "   - Entitlement checking: ENABLED", "   - Activity logging: ENABLED"}) {
        logLine(QString::fromUtf8(line));
    }
    // The check runs even when monitoring was stopped meanwhile; spent checks are dropped.
    std::erase_if(permissionChecks_, [](const TimerHandle& check) { return !check.isActive(); });
    permissionChecks_.push_back(environment_.monitor.detector.loop.scheduleOnce(
        permissionCheckDelay, [this] { verifyPermissions(); }));
    // The detector keeps its accepted states across a stop: show them, not "Inactive".
    alertBatching_->refreshStatusFromDetector();
}

void AppDelegate::stopMonitoring() {
    deviceMonitor_->stopAdvancedMonitoring();
    isMonitoringActive_ = false;
    setupMenu();
    environment_.activityLogger().stopLogging();
    updateStatusMenu(false, false);
    logLine(QStringLiteral("🛑 [AppDelegate] Advanced device monitoring stopped by user"));
}

void AppDelegate::verifyPermissions() {
    const int camera =
        static_cast<int>(environment_.monitor.detector.cameras.authorizationStatus());
    const int microphone =
        static_cast<int>(environment_.monitor.detector.audio.authorizationStatus());
    logLine(QStringLiteral("🔍 [AppDelegate] Permission verification - Camera: %1, Microphone: %2")
                .arg(camera)
                .arg(microphone));
    auto refused = [](int status) { return status == 1 || status == 2; };
    if (refused(camera) && refused(microphone)) {
        logLine(
            QStringLiteral("⚠️ [AppDelegate] Both permissions denied - showing user guidance"));
        std::weak_ptr<char> alive = alive_;
        environment_.monitor.detector.loop.post([this, alive] {
            if (!alive.expired()) {
                showPermissionGuidance();
            }
        });
        return;
    }
    logLine(QStringLiteral("✅ [AppDelegate] Permissions are adequate for monitoring"));
}

void AppDelegate::showPermissionGuidance() {
    const std::optional<int> choice = environment_.alerts.runModal(
        {AlertStyle::Informational,
         QStringLiteral("Enhanced Monitoring Available"),
         QStringLiteral("For full privacy protection, consider granting camera and microphone "
                        "access in your system settings (Privacy). The app will continue to work "
                        "with basic monitoring."),
         {QStringLiteral("Open System Settings"),
          QStringLiteral("Continue with Basic Monitoring")}});
    if (choice == 0) {
        environment_.desktopSettings.open(DesktopSettings::Pane::Privacy);
    }
}

void AppDelegate::updateStatusMenu(bool camera, bool microphone) {
    logLine(QStringLiteral("🎛️ [AppDelegate] Updating status menu - Camera: %1, Mic: %2")
                .arg(boolText(camera), boolText(microphone)));
    if (!hasMenu_ || !environment_.statusItem.hasMenu()) {
        logLine(QStringLiteral("❌ [AppDelegate] Status bar menu is nil"));
        return;
    }
    if (isMonitoringActive_) {
        for (int index : statusMenu_.updateStatusLines(camera, microphone)) {
            const QString& title = statusMenu_.items()[static_cast<size_t>(index)].title;
            environment_.statusItem.setItemTitle(index, title);
            logLine(title.startsWith(QStringLiteral("Camera"))
                        ? QStringLiteral("📷 [AppDelegate] Camera menu updated: ") + title
                        : QStringLiteral("🎤 [AppDelegate] Microphone menu updated: ") + title);
        }
    }
    const bool active = camera || microphone;
    environment_.statusItem.setIcon(active);
    logLine(
        QStringLiteral("👁️ [AppDelegate] Status bar icon updated: ostrel-icon (active: %1)")
            .arg(boolText(active)));
}

void AppDelegate::deviceAccessChanged(DeviceType device, bool isActive,
                                      const std::optional<ProcessInfo>& processInfo) {
    alertBatching_->deviceAccessChanged(device, isActive, processInfo);
}

bool AppDelegate::isCameraActive() const {
    return deviceMonitor_ && deviceMonitor_->detector().isCameraActive();
}

bool AppDelegate::isMicrophoneActive() const {
    return deviceMonitor_ && deviceMonitor_->detector().isMicrophoneActive();
}

void AppDelegate::showMainWindow() {
    showReusedWindow(dashboardWindowController_, windows_.dashboard,
                     QStringLiteral("DashboardWindowController"), true);
}

void AppDelegate::showActivityLog() {
    showReusedWindow(activityLogWindowController_, windows_.activityLog,
                     QStringLiteral("ActivityLogWindowController"), false);
}

void AppDelegate::showReusedWindow(
    std::unique_ptr<WindowController>& controller,
    const std::function<std::unique_ptr<WindowController>()>& factory, const QString& kind,
    bool keepAfterClose) {
    const bool dashboard = keepAfterClose;
    logLine(dashboard ? QStringLiteral("🪟 [AppDelegate] showMainWindow called")
                      : QStringLiteral("🪟 [AppDelegate] showActivityLog called"));
    if (controller) {
        logLine(QStringLiteral("♻️ [AppDelegate] Reusing existing ") + kind);
    } else {
        logLine(QStringLiteral("🆕 [AppDelegate] Creating new ") + kind);
        if (factory) {
            controller = factory();
        }
        if (controller && !keepAfterClose) {
            std::weak_ptr<char> alive = alive_;
            controller->onClosed = [this, alive, &controller] {
                if (alive.expired()) {
                    return;
                }
                // The window is gone; the controller goes once its own call has returned.
                environment_.monitor.detector.loop.post([this, alive, &controller] {
                    if (!alive.expired()) {
                        controller.reset();
                    }
                });
            };
        }
        logLine((dashboard ? QStringLiteral("💪 [AppDelegate] Window controller retained: ")
                           : QStringLiteral(
                                 "💪 [AppDelegate] Activity log window controller retained: ")) +
                boolText(controller != nullptr));
    }
    if (!controller) {
        logLine(dashboard ? QStringLiteral("❌ [AppDelegate] dashboardWindowController is nil!")
                          : QStringLiteral("❌ [AppDelegate] activityLogWindowController is nil!"));
        return;
    }
    logLine(dashboard ? QStringLiteral("📺 [AppDelegate] Showing dashboard window")
                      : QStringLiteral("📺 [AppDelegate] Showing Activity Log window"));
    controller->showWindow();
    logLine(dashboard ? QStringLiteral("🎯 [AppDelegate] Window made key and front")
                      : QStringLiteral("🎯 [AppDelegate] Activity Log window made key and front"));
}

void AppDelegate::showAllowedApps() {
    showFreshWindow(windows_.allowedApps, QStringLiteral("allowed applications"));
}

void AppDelegate::showSettings() {
    showFreshWindow(windows_.settings, QStringLiteral("settings"));
}

void AppDelegate::showFreshWindow(const std::function<std::unique_ptr<WindowController>()>& factory,
                                  const QString& name) {
    std::unique_ptr<WindowController> controller = factory ? factory() : nullptr;
    if (!controller) {
        logLine(QStringLiteral("ℹ️ [AppDelegate] No %1 window in this build").arg(name));
        return;
    }
    WindowController* window = controller.get();
    std::weak_ptr<char> alive = alive_;
    window->onClosed = [this, alive, window] {
        environment_.monitor.detector.loop.post([this, alive, window] {
            if (!alive.expired()) {
                std::erase_if(otherWindows_, [window](const std::unique_ptr<WindowController>& w) {
                    return w.get() == window;
                });
            }
        });
    };
    otherWindows_.push_back(std::move(controller));
    window->showWindow();
}

void AppDelegate::showOnboarding() {
    if (windows_.onboardingCheck) {
        windows_.onboardingCheck();
    }
}

void AppDelegate::checkForUpdates() {
    updaterController_->checkForUpdates();
}

void AppDelegate::quitApp() {
    if (requestQuit) {
        requestQuit();
    }
}

void AppDelegate::applicationWillTerminate() {
    if (isMonitoringActive_) {
        deviceMonitor_->stopAdvancedMonitoring();
    }
    environment_.activityLogger().stopLogging();
    suspendedProcesses_.resumeAll();
    environment_.preferences.sync();
}

} // namespace ostrel
