#include "Version.h"
#include "activitylog/ActivityLogWindow.h"
#include "activitylog/ActivityLogger.h"
#include "alerts/AllowedAppsManager.h"
#include "alerts/AllowedAppsWindow.h"
#include "alerts/CheckboxAlertDialog.h"
#include "alerts/FileChooserDialog.h"
#include "app/AppDelegate.h"
#include "app/GuiPlatformSelection.h"
#include "app/OnboardingWindowController.h"
#include "app/QtAlertPresenter.h"
#include "app/SettingsWindow.h"
#include "app/TrayStatusItem.h"
#include "dashboard/PrivacyMonitorWindow.h"
#include "detection/ProductIdentity.h"
#include "platform/Log.h"
#include "platform/QtMainRunLoop.h"
#include "platform/linux/LinuxApplicationDescriber.h"
#include "platform/linux/LinuxDesktop.h"
#include "platform/linux/LinuxFileBrowser.h"
#include "platform/linux/SessionSingleInstance.h"
#include "platform/linux/UnixSignalQuitter.h"
#include "platform/linux/XdgAutostartEntry.h"

#include <QApplication>
#include <QSessionManager>
#include <QSettings>
#include <QStandardPaths>

using namespace ostrel;

int main(int argc, char** argv) {
    const GuiPlatformChoice platform =
        chooseGuiPlatform(qEnvironmentVariable("QT_QPA_PLATFORM"), qEnvironmentVariable("DISPLAY"),
                          qEnvironmentVariable("WAYLAND_DISPLAY"));
    if (!platform.platformList.isEmpty()) {
        qputenv("QT_QPA_PLATFORM", platform.platformList.toUtf8());
    }

    QApplication application(argc, argv);
    QApplication::setOrganizationName(kProductName);
    QApplication::setApplicationName(kProductName);
    QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    QApplication::setDesktopFileName(kBundleIdentifier);
    // A tray application has no main window; closing its last window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    logLine(QStringLiteral("🚀 [Ostrel] Ostrel %1 (build %2) starting, pid %3")
                .arg(QString::fromLatin1(kVersion), QString::fromLatin1(kBuildNumber))
                .arg(QApplication::applicationPid()));
    if (const QString line = offscreenFallbackLine(platform, QApplication::platformName());
        !line.isEmpty()) {
        logLine(line);
    }

    SessionSingleInstance instance(
        QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
    if (!instance.acquire()) {
        const bool reached = SessionSingleInstance::askRunningInstanceToShow();
        logLine(reached
                    ? QStringLiteral("ℹ️ [Ostrel] Ostrel is already running in this session; "
                                     "it shows its dashboard instead")
                    : QStringLiteral("ℹ️ [Ostrel] Ostrel is already running in this session"));
        return 0;
    }

    QtMainRunLoop loop;
    LinuxDesktop desktop(loop);
    NotificationCenter notifications;
    ActivityLogger::configureShared(loop, &desktop.applications);
    ActivityLogger& activityLogger = ActivityLogger::shared();
    QSettings preferences;
    TrayStatusItem statusItem;
    QtAlertPresenter alerts;
    XdgAutostartEntry startAtLogin(XdgAutostartEntry::defaultFolder(),
                                   QCoreApplication::applicationFilePath());
    OnboardingManager onboarding(preferences, AppVersionInfo::current());
    OnboardingWindowController onboardingWindow(
        {desktop.cameras, desktop.audio, desktop.notifications, desktop.desktopSettings, loop},
        onboarding);
    onboarding.showOnboarding = [&onboardingWindow] { onboardingWindow.showWindow(); };

    LinuxFileBrowser fileBrowser;
    LinuxApplicationDescriber applicationDescriber;
    FileChooserDialog fileChooser;
    CheckboxAlertDialog deviceSelection;

    // The dashboard reads the shell, which exists once the factories are handed to it.
    AppDelegate* runningShell = nullptr;
    WindowFactories windows;
    windows.dashboard = [&] {
        return makeDashboardWindow(
            {loop, [&runningShell] { return runningShell && runningShell->isMonitoringActive(); },
             [&runningShell] { return runningShell ? runningShell->deviceMonitor() : nullptr; },
             desktop.processControl, desktop.processes, desktop.applications, preferences,
             AllowedAppsManager::shared()});
    };
    windows.activityLog = [&activityLogger, &loop, &fileBrowser, &alerts] {
        return makeActivityLogWindowController({activityLogger, loop, fileBrowser, alerts});
    };
    windows.allowedApps = [&loop, &fileChooser, &applicationDescriber, &deviceSelection, &alerts] {
        return makeAllowedAppsWindowController({AllowedAppsManager::shared(), loop, fileChooser,
                                                applicationDescriber, deviceSelection, alerts});
    };
    windows.settings = [&preferences, &startAtLogin, &activityLogger] {
        return makeSettingsWindowController(
            {preferences, startAtLogin, activityLogger, AppVersionInfo::current()});
    };
    windows.onboardingCheck = [&onboarding] { onboarding.checkAndShowOnboarding(); };

    AppDelegate shell({desktop.monitorPlatform(notifications), desktop.notifications,
                       desktop.processControl, alerts, desktop.desktopSettings, statusItem,
                       preferences, activityLogger, AllowedAppsManager::shared()},
                      std::move(windows));
    runningShell = &shell;
    shell.requestQuit = [] { QCoreApplication::quit(); };
    instance.listenForActivation([&shell] { shell.showMainWindow(); });

    // Every way out goes through the same shutdown: the menu, a signal, the session's end.
    QObject::connect(&application, &QCoreApplication::aboutToQuit,
                     [&shell] { shell.applicationWillTerminate(); });
    UnixSignalQuitter quitter([](const QString& signalName) {
        logLine(QStringLiteral("👋 [Ostrel] Received %1, shutting down").arg(signalName));
        QCoreApplication::quit();
    });
    QObject::connect(&application, &QGuiApplication::commitDataRequest,
                     [&activityLogger, &preferences](QSessionManager&) {
                         activityLogger.forceSave();
                         preferences.sync();
                     });
    QObject::connect(&application, &QGuiApplication::applicationStateChanged,
                     [&activityLogger](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationInactive) {
                             activityLogger.applicationDidResignActive();
                         } else if (state == Qt::ApplicationHidden) {
                             activityLogger.applicationDidHide();
                         }
                     });

    shell.applicationDidFinishLaunching();
    return QApplication::exec();
}
