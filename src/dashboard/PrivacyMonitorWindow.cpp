#include "dashboard/PrivacyMonitorWindow.h"

#include "base/Log.h"
#include "ui/WindowLayout.h"

namespace ostrel {

namespace {

const QSize kContentSize(800, 650);
const QSize kMinimumSize(600, 500);
const QSize kMaximumSize(1200, 900);

QString controllerLine(const QString& emoji, const QString& message) {
    return emoji + QStringLiteral(" [PrivacyMonitorWindow] ") + message;
}

QString frameText(const QRect& frame) {
    return QStringLiteral("(%1, %2, %3, %4)")
        .arg(frame.x())
        .arg(frame.y())
        .arg(frame.width())
        .arg(frame.height());
}

} // namespace

PrivacyMonitorWindow::PrivacyMonitorWindow(const DashboardWindowEnvironment& environment)
    : source_(environment.isMonitoringActive, environment.deviceMonitor) {
    logLine(controllerLine(QStringLiteral("🏗️"), QStringLiteral("Initializing...")));
    window_ = new PrivacyMonitorView({environment.loop, &source_, environment.processControl,
                                      environment.processes, environment.applications,
                                      environment.userDefaults, environment.suspendedProcesses},
                                     environment.allowedApps);
    logLine(controllerLine(QStringLiteral("✅"),
                           QStringLiteral("Created PrivacyMonitorView with frame constraints")));
    logLine(controllerLine(QStringLiteral("✅"), QStringLiteral("Created QWidget host")));
    window_->setWindowTitle(QStringLiteral("Ostrel"));
    window_->setMinimumSize(kMinimumSize);
    window_->setMaximumSize(kMaximumSize);
    window_->resize(kContentSize);
    centreOnScreen(*window_);
    closeOnEscape(*window_);
    logLine(controllerLine(QStringLiteral("✅"), QStringLiteral("Created Qt window with frame: ") +
                                                    frameText(window_->geometry())));
    logLine(controllerLine(QStringLiteral("✅"), QStringLiteral("Window configured")));

    logLine(controllerLine(QStringLiteral("✅"), QStringLiteral("Initialization complete")));
    window_->ensurePolished();
    logLine(controllerLine(QStringLiteral("📏"), QStringLiteral("Hosting controller view frame: ") +
                                                    frameText(window_->rect())));
}

PrivacyMonitorWindow::~PrivacyMonitorWindow() {
    delete window_;
}

void PrivacyMonitorWindow::showWindow() {
    logLine(controllerLine(QStringLiteral("🪟"), QStringLiteral("showWindow called")));
    if (!window_) {
        logLine(controllerLine(QStringLiteral("❌"), QStringLiteral("Window is nil!")));
        return;
    }
    logLine(controllerLine(QStringLiteral("📏"),
                           QStringLiteral("Window frame: ") + frameText(window_->geometry())));
    logLine(controllerLine(QStringLiteral("👁️"),
                           QStringLiteral("Window visible: ") + boolText(window_->isVisible())));
    window_->show();
    window_->raise();
    window_->activateWindow();
    logLine(controllerLine(QStringLiteral("✅"), QStringLiteral("Window shown - visible: ") +
                                                    boolText(window_->isVisible())));
    logLine(controllerLine(QStringLiteral("🎯"), QStringLiteral("Window level: 0")));
}

std::unique_ptr<WindowController>
makeDashboardWindow(const DashboardWindowEnvironment& environment) {
    return std::make_unique<PrivacyMonitorWindow>(environment);
}

} // namespace ostrel
