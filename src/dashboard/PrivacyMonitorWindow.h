#pragma once

#include "advanced/AdvancedDeviceMonitor.h"
#include "alerts/AllowedAppsManager.h"
#include "dashboard/PrivacyMonitorView.h"
#include "dashboard/ShellDeviceActivitySource.h"
#include "ui/WindowController.h"

#include <QPointer>
#include <functional>
#include <memory>

namespace ostrel {

// What the dashboard window needs from the running application.
struct DashboardWindowEnvironment {
    MainRunLoop& loop;
    // Asked on every refresh; the shell answers.
    std::function<bool()> isMonitoringActive;
    std::function<AdvancedDeviceMonitor*()> deviceMonitor;
    ProcessControl& processControl;
    const ProcessServices& processes;
    RunningApplicationsService& applications;
    QSettings& userDefaults;
    AllowedAppsManager& allowedApps;
    // The shell's registry of suspended processes, shared with the notifications' Block.
    SuspendedProcesses* suspendedProcesses = nullptr;
};

// The dashboard window. The shell makes it once and shows it again: closing only hides it,
// and the window with its model lives as long as the controller.
class PrivacyMonitorWindow final : public WindowController {
public:
    explicit PrivacyMonitorWindow(const DashboardWindowEnvironment& environment);
    ~PrivacyMonitorWindow() override;

    void showWindow() override;
    PrivacyMonitorView* window() const { return window_; }

private:
    ShellDeviceActivitySource source_;
    QPointer<PrivacyMonitorView> window_;
};

std::unique_ptr<WindowController>
makeDashboardWindow(const DashboardWindowEnvironment& environment);

} // namespace ostrel
