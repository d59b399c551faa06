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
#include "app/SettingsWindow.h"
#include "app/TrayStatusItem.h"
#include "base/Log.h"
#include "base/ProductIdentity.h"
#include "base/QtMainRunLoop.h"
#include "dashboard/PrivacyMonitorWindow.h"
#include "platform/Platform.h"
#include "ui/QtAlertPresenter.h"

#include <QApplication>
#include <QSessionManager>
#include <QSettings>

using namespace ostrel;

int main(int argc, char** argv) {
    const GuiPlatformChoice guiPlatform =
        chooseGuiPlatform(qEnvironmentVariable("QT_QPA_PLATFORM"), qEnvironmentVariable("DISPLAY"),
                          qEnvironmentVariable("WAYLAND_DISPLAY"));
    if (!guiPlatform.platformList.isEmpty()) {
        qputenv("QT_QPA_PLATFORM", guiPlatform.platformList.toUtf8());
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
    if (const QString line = offscreenFallbackLine(guiPlatform, QApplication::platformName());
        !line.isEmpty()) {
        logLine(line);
    }

    QtMainRunLoop loop;
    const std::unique_ptr<PlatformServices> services = makePlatform(loop);
    if (!services->singleInstance().acquire()) {
        const bool reached = services->singleInstance().askRunningInstanceToShow();
        logLine(reached
                    ? QStringLiteral("ℹ️ [Ostrel] Ostrel is already running in this session; "
                                     "it shows its dashboard instead")
                    : QStringLiteral("ℹ️ [Ostrel] Ostrel is already running in this session"));
        return 0;
    }
    Platform& platform = services->platform();

    EventBus notifications;
    ActivityLogger::configureShared(loop, &platform.applications);
    QSettings preferences;
    TrayStatusItem statusItem;
    QtAlertPresenter alerts;
    OnboardingManager onboarding(preferences, AppVersionInfo::current());
    OnboardingWindowController onboardingWindow({platform.cameras, platform.audio,
                                                 platform.userNotifications,
                                                 platform.desktopSettings, loop},
                                                onboarding);
    onboarding.showOnboarding = [&onboardingWindow] { onboardingWindow.showWindow(); };

    FileChooserDialog fileChooser;
    CheckboxAlertDialog deviceSelection;

    // The dashboard reads the shell, which exists once the factories are handed to it. The
    // activity logger is made by the shell's launch sequence, so the windows ask for it late.
    AppDelegate* runningShell = nullptr;
    WindowFactories windows;
    windows.dashboard = [&] {
        return makeDashboardWindow(
            {loop, [&runningShell] { return runningShell && runningShell->isMonitoringActive(); },
             [&runningShell] { return runningShell ? runningShell->deviceMonitor() : nullptr; },
             platform.processControl, platform.processes, platform.applications, preferences,
             AllowedAppsManager::shared()});
    };
    windows.activityLog = [&loop, &platform, &alerts] {
        return makeActivityLogWindowController(
            {ActivityLogger::shared(), loop, platform.fileBrowser, alerts});
    };
    windows.allowedApps = [&loop, &fileChooser, &platform, &deviceSelection, &alerts] {
        return makeAllowedAppsWindowController({AllowedAppsManager::shared(), loop, fileChooser,
                                                platform.applicationDescriber, deviceSelection,
                                                alerts});
    };
    windows.settings = [&preferences, &platform] {
        return makeSettingsWindowController({preferences, platform.startAtLogin,
                                             ActivityLogger::shared(), AppVersionInfo::current()});
    };
    windows.onboardingCheck = [&onboarding] { onboarding.checkAndShowOnboarding(); };

    AppDelegate shell({AdvancedMonitorPlatform::from(platform, loop, notifications),
                       platform.userNotifications, platform.processControl, alerts,
                       platform.desktopSettings, statusItem, preferences,
                       []() -> ActivityLogger& { return ActivityLogger::shared(); },
                       AllowedAppsManager::shared()},
                      std::move(windows));
    runningShell = &shell;
    shell.requestQuit = [] { QCoreApplication::quit(); };
    platform.singleInstance.listenForActivation([&shell] { shell.showMainWindow(); });

    // Every way out goes through the same shutdown: the menu, a signal, the session's end.
    QObject::connect(&application, &QCoreApplication::aboutToQuit,
                     [&shell] { shell.applicationWillTerminate(); });
    platform.quitRequests.listen([](const QString& reason) {
        logLine(QStringLiteral("👋 [Ostrel] Received %1, shutting down").arg(reason));
        QCoreApplication::quit();
    });
    QObject::connect(&application, &QGuiApplication::commitDataRequest,
                     [&preferences](QSessionManager&) {
                         ActivityLogger::shared().forceSave();
                         preferences.sync();
                     });
    QObject::connect(&application, &QGuiApplication::applicationStateChanged,
                     [](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationInactive) {
                             ActivityLogger::shared().applicationDidResignActive();
                         } else if (state == Qt::ApplicationHidden) {
                             ActivityLogger::shared().applicationDidHide();
                         }
                     });

    shell.applicationDidFinishLaunching();
    return QApplication::exec();
}
