#include "app/AppDelegate.h"

#include "support/CapturedLog.h"
#include "support/FakeAlertPresenter.h"
#include "support/FakePlatform.h"
#include "support/FakeStatusItem.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

// A window that counts how often it was shown and can be closed by the test.
class CountingWindow final : public WindowController {
public:
    explicit CountingWindow(int& shows) : shows_(shows) {}
    void showWindow() override { ++shows_; }
    void close() {
        if (onClosed) {
            onClosed();
        }
    }

private:
    int& shows_;
};

class AppDelegateTest : public testing::Test, protected FakePlatform {
protected:
    AppDelegateTest() {
        processes.ownPidValue = 4000;
        cameras.devices = {{"Integrated Camera", "/dev/video0", false, true}};
    }

    AppDelegate& launch(WindowFactories windows = {}) {
        shell = std::make_unique<AppDelegate>(environment, std::move(windows));
        shell->applicationDidFinishLaunching();
        loop.runPending();
        return *shell;
    }

    CapturedLog log;
    QTemporaryDir folder;
    NotificationCenter notifications;
    FakeAlertPresenter alerts;
    FakeStatusItem statusItem;
    QSettings preferences{folder.filePath("Ostrel.conf"), QSettings::IniFormat};
    ActivityLogger logger{folder.filePath("data"), folder.filePath("Desktop"), loop, &applications};
    AllowedAppsManager allowedApps{preferences};
    ShellEnvironment environment{AdvancedMonitorPlatform::from(platform, loop, notifications),
                                 userNotifications,
                                 processControl,
                                 alerts,
                                 desktopSettings,
                                 statusItem,
                                 preferences,
                                 [this]() -> ActivityLogger& { return logger; },
                                 allowedApps};
    std::unique_ptr<AppDelegate> shell;
};

} // namespace

TEST_F(AppDelegateTest, FirstLaunchStartsMonitoringAndRemembersToDoSoAgain) {
    AppDelegate& app = launch();
    EXPECT_TRUE(app.isMonitoringActive());
    EXPECT_TRUE(preferences.value("OstrelAutoStartMonitoring").toBool());
    EXPECT_TRUE(log.contains("✅ [AppDelegate] Set auto-start monitoring default to true"));
    EXPECT_TRUE(logger.isLogging());
    EXPECT_EQ(statusItem.titles.first(), "Ostrel");
    EXPECT_TRUE(statusItem.titles.contains("🛑 Stop Monitoring"));
    EXPECT_TRUE(statusItem.titles.contains("Camera Status: ⚫ Inactive"));
    EXPECT_EQ(statusItem.titles.last(), "Quit Ostrel");
    EXPECT_TRUE(log.contains("🚀 [AppDelegate] Activity logger initialized with 0 existing logs"));
}

TEST_F(AppDelegateTest, StoredRefusalLeavesMonitoringOff) {
    preferences.setValue("OstrelAutoStartMonitoring", false);
    AppDelegate& app = launch();
    EXPECT_FALSE(app.isMonitoringActive());
    EXPECT_TRUE(statusItem.titles.contains("▶️ Start Monitoring"));
    EXPECT_TRUE(statusItem.titles.contains("⏸️ Monitoring Stopped"));
    EXPECT_FALSE(logger.isLogging());
    EXPECT_TRUE(
        log.contains("ℹ️ [AppDelegate] Auto-start monitoring disabled by user preference"));

    statusItem.choose(StatusMenuItem::Action::ToggleMonitoring);
    EXPECT_TRUE(app.isMonitoringActive());
    EXPECT_TRUE(statusItem.titles.contains("🛑 Stop Monitoring"));
}

TEST_F(AppDelegateTest, PermissionCheckRunsAfterEveryStartEvenWhenStoppedMeanwhile) {
    cameras.authorization = AuthorizationStatus::Denied;
    audio.authorization = AuthorizationStatus::Restricted;
    alerts.choice = 0;
    AppDelegate& app = launch();
    loop.advance(1.0);
    app.stopMonitoring();
    loop.advance(2.5);
    EXPECT_EQ(log.countStartingWith("🔍 [AppDelegate] Permission verification - Camera: 2, "
                                    "Microphone: 1"),
              1);
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].title, "Enhanced Monitoring Available");
    EXPECT_EQ(alerts.alerts[0].buttons.size(), 2);
    ASSERT_EQ(desktopSettings.opened.size(), 1u);
    EXPECT_EQ(desktopSettings.opened[0], DesktopSettings::Pane::Privacy);

    audio.authorization = AuthorizationStatus::Authorized;
    app.startMonitoring();
    loop.advance(3.0);
    EXPECT_TRUE(log.contains("✅ [AppDelegate] Permissions are adequate for monitoring"));
    EXPECT_EQ(alerts.alerts.size(), 1u);
}

TEST_F(AppDelegateTest, StoredRetentionPeriodAppliesOnlyWhenValid) {
    preferences.setValue("OstrelLogRetentionPeriod", "1w");
    launch();
    EXPECT_EQ(logger.currentRetentionPeriod(), LogRetentionPeriod::oneWeek);

    shell.reset();
    logger.setRetentionPeriod(LogRetentionPeriod::oneMonth);
    preferences.setValue("OstrelLogRetentionPeriod", "2d");
    launch();
    EXPECT_EQ(logger.currentRetentionPeriod(), LogRetentionPeriod::oneMonth);
}

TEST_F(AppDelegateTest, StatusLinesAndIconFollowTheDetector) {
    launch();
    cameras.devices[0].isInUseByAnotherApplication = true;
    loop.advance(0.25);
    EXPECT_TRUE(statusItem.titles.contains("Camera Status: 🔴 Active"));
    EXPECT_TRUE(statusItem.titles.contains("Microphone Status: ⚫ Inactive"));
    EXPECT_TRUE(statusItem.iconActive);

    shell->updateStatusMenu(false, false);
    EXPECT_TRUE(statusItem.titles.contains("Camera Status: ⚫ Inactive"));
    EXPECT_FALSE(statusItem.iconActive);
    EXPECT_TRUE(
        log.contains("👁️ [AppDelegate] Status bar icon updated: ostrel-icon (active: false)"));
}

TEST_F(AppDelegateTest, RestartShowsTheStateTheDetectorKept) {
    AppDelegate& app = launch();
    cameras.devices[0].isInUseByAnotherApplication = true;
    loop.advance(0.25);
    app.stopMonitoring();
    EXPECT_TRUE(statusItem.titles.contains("⏸️ Monitoring Stopped"));
    EXPECT_FALSE(statusItem.iconActive);

    app.startMonitoring();
    loop.runPending();
    EXPECT_TRUE(statusItem.titles.contains("Camera Status: 🔴 Active"));
    EXPECT_TRUE(statusItem.iconActive);
}

TEST_F(AppDelegateTest, QuittingStopsMonitoringAndLoggingAndSyncsPreferences) {
    bool quitRequested = false;
    AppDelegate& app = launch();
    app.requestQuit = [&] { quitRequested = true; };
    statusItem.choose(StatusMenuItem::Action::Quit);
    EXPECT_TRUE(quitRequested);

    app.applicationWillTerminate();
    EXPECT_FALSE(app.deviceMonitor()->originalMonitor().isMonitoring());
    EXPECT_FALSE(logger.isLogging());
    QSettings onDisk(folder.filePath("Ostrel.conf"), QSettings::IniFormat);
    EXPECT_TRUE(onDisk.value("OstrelAutoStartMonitoring").toBool());
}

TEST_F(AppDelegateTest, DashboardIsMadeOnceActivityLogAgainAfterItsWindowClosed) {
    int dashboardsMade = 0;
    int dashboardShows = 0;
    int logsMade = 0;
    int logShows = 0;
    CountingWindow* lastLogWindow = nullptr;
    WindowFactories windows;
    windows.dashboard = [&] {
        ++dashboardsMade;
        return std::make_unique<CountingWindow>(dashboardShows);
    };
    windows.activityLog = [&] {
        ++logsMade;
        auto window = std::make_unique<CountingWindow>(logShows);
        lastLogWindow = window.get();
        return window;
    };
    launch(std::move(windows));

    shell->showMainWindow();
    shell->showMainWindow();
    EXPECT_EQ(dashboardsMade, 1);
    EXPECT_EQ(dashboardShows, 2);
    EXPECT_TRUE(log.contains("♻️ [AppDelegate] Reusing existing SwiftUIWindowController"));

    shell->showActivityLog();
    shell->showActivityLog();
    EXPECT_EQ(logsMade, 1);
    lastLogWindow->close();
    loop.runPending();
    shell->showActivityLog();
    EXPECT_EQ(logsMade, 2);
    EXPECT_EQ(logShows, 3);

    // A window this build does not have is reported, not shown.
    shell->showSettings();
    EXPECT_TRUE(log.contains("ℹ️ [AppDelegate] No settings window in this build"));
}

TEST_F(AppDelegateTest, CheckForUpdatesNamesTheVersionAndThePackageManager) {
    launch();
    statusItem.choose(StatusMenuItem::Action::CheckForUpdates);
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_TRUE(alerts.alerts[0].informativeText.contains("package manager"));
    EXPECT_TRUE(alerts.alerts[0].informativeText.contains("Ostrel 0."));
}
