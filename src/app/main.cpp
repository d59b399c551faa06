#include "Version.h"
#include "activitylog/ActivityLogWindow.h"
#include "activitylog/ActivityLogger.h"
#include "alerts/AllowedAppsManager.h"
#include "alerts/AllowedAppsWindow.h"
#include "alerts/CheckboxAlertDialog.h"
#include "alerts/FileChooserDialog.h"
#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/GuiPlatformSelection.h"
#include "app/HeadlessDesktop.h"
#include "app/MainWindow.h"
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
#include <QTextStream>

using namespace ostrel;

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    const CommandLineRequest request = parseCommandLine(arguments);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (const std::optional<int> status = answerWithoutRunning(request, out, err)) {
        return *status;
    }
    const bool headless = request.headless;

    // Headless, Ostrel never connects to a display, so it also runs where there is none.
    const GuiPlatformChoice guiPlatform =
        headless ? GuiPlatformChoice{QStringLiteral("offscreen")}
                 : chooseGuiPlatform(qEnvironmentVariable("QT_QPA_PLATFORM"),
                                     qEnvironmentVariable("DISPLAY"),
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
    if (headless) {
        logLine(
            QStringLiteral("🕶️ [Ostrel] Headless: no windows and no tray icon; monitoring, "
                           "the activity log and notifications run as usual"));
    } else if (const QString line =
                   offscreenFallbackLine(guiPlatform, QApplication::platformName());
               !line.isEmpty()) {
        logLine(line);
    }

    QtMainRunLoop loop;
    const std::unique_ptr<PlatformServices> services = makePlatform(loop);
    if (!services->singleInstance().acquire()) {
        const bool reached = services->singleInstance().askRunningInstanceToShow();
        logLine(reached
                    ? QStringLiteral("ℹ️ [Ostrel] Ostrel is already running in this session; "
                                     "it shows its window instead")
                    : QStringLiteral("ℹ️ [Ostrel] Ostrel is already running in this session"));
        return 0;
    }
    Platform& platform = services->platform();

    EventBus notifications;
    ActivityLogger::configureShared(loop, &platform.applications);
    QSettings preferences;
    // The tray icon and the main window show the same menu; where no tray exists, the window
    // is the way in.
    std::unique_ptr<TrayStatusItem> tray;
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<StatusItem> statusItem;
    if (headless) {
        // Shows nothing: a session without a panel (or a user service) gets no tray icon.
        statusItem = std::make_unique<StatusItemGroup>(std::vector<StatusItem*>{});
    } else {
        tray = std::make_unique<TrayStatusItem>();
        mainWindow = std::make_unique<MainWindow>();
        statusItem = std::make_unique<StatusItemGroup>(
            std::vector<StatusItem*>{tray.get(), mainWindow.get()});
        tray->onTrayAvailabilityChanged = [&mainWindow](bool available) {
            if (!available) {
                mainWindow->showWindow();
            }
        };
    }
    const std::unique_ptr<AlertPresenter> alerts =
        headless ? std::unique_ptr<AlertPresenter>(std::make_unique<HeadlessAlertPresenter>())
                 : std::make_unique<QtAlertPresenter>();
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
    // Headless, no window is ever made.
    AppDelegate* runningShell = nullptr;
    WindowFactories windows;
    if (!headless) {
        windows.dashboard = [&] {
            return makeDashboardWindow(
                {loop,
                 [&runningShell] { return runningShell && runningShell->isMonitoringActive(); },
                 [&runningShell] { return runningShell ? runningShell->deviceMonitor() : nullptr; },
                 platform.processControl, platform.processes, platform.applications, preferences,
                 AllowedAppsManager::shared(), &runningShell->suspendedProcesses()});
        };
        windows.activityLog = [&loop, &platform, &alerts] {
            return makeActivityLogWindowController(
                {ActivityLogger::shared(), loop, platform.fileBrowser, *alerts});
        };
        windows.allowedApps = [&loop, &fileChooser, &platform, &deviceSelection, &alerts] {
            return makeAllowedAppsWindowController({AllowedAppsManager::shared(), loop, fileChooser,
                                                    platform.applicationDescriber, deviceSelection,
                                                    *alerts});
        };
        windows.settings = [&preferences, &platform] {
            return makeSettingsWindowController({preferences, platform.startAtLogin,
                                                 ActivityLogger::shared(),
                                                 AppVersionInfo::current()});
        };
        windows.onboardingCheck = [&onboarding] { onboarding.checkAndShowOnboarding(); };
    }

    AppDelegate shell({AdvancedMonitorPlatform::from(platform, loop, notifications),
                       platform.userNotifications, platform.processControl, *alerts,
                       platform.desktopSettings, *statusItem, preferences,
                       []() -> ActivityLogger& { return ActivityLogger::shared(); },
                       AllowedAppsManager::shared()},
                      std::move(windows));
    runningShell = &shell;
    shell.requestQuit = [] { QCoreApplication::quit(); };
    platform.singleInstance.listenForActivation([&mainWindow] {
        if (mainWindow) {
            mainWindow->showWindow();
        } else {
            logLine(QStringLiteral("🕶️ [Ostrel] Another launch asked for a window; a headless "
                                   "Ostrel has none"));
        }
    });

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
    if (tray && !tray->isTrayAvailable()) {
        mainWindow->showWindow();
    }
    // The shell's launch sequence has made the activity logger; its accepted changes join the
    // journal from the first one on, which reaches the log only once the run loop turns.
    QObject::connect(&ActivityLogger::shared(), &ActivityLogger::entryAppended,
                     [&platform](const ActivityLogEntry& entry) {
                         platform.eventJournal.record({JournalEvent::Kind::DeviceAccessChanged,
                                                       entry.deviceType == DeviceType::Camera,
                                                       entry.deviceType == DeviceType::Microphone,
                                                       entry.isActive, entry.processID,
                                                       entry.processName});
                     });
    // Headless, there is no menu to start monitoring from: it runs whatever the auto-start
    // preference says.
    if (headless) {
        shell.startMonitoring();
    }
    return QApplication::exec();
}
