#include "app/AppDelegate.h"

#include "app/GuiPlatformSelection.h"
#include "app/MainWindow.h"
#include "app/TrayStatusItem.h"
#include "support/CapturedLog.h"
#include "support/FakeAlertPresenter.h"
#include "support/FakePlatform.h"
#include "support/FakeStatusItem.h"
#include "support/RunUntil.h"

#include <QAction>
#include <QDBusConnection>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

// A window that counts how often it was shown; each one made is kept in `made`.
struct CountingWindow final : WindowController {
    explicit CountingWindow(std::vector<CountingWindow*>& made) { made.push_back(this); }
    void showWindow() override { ++shows; }
    int shows = 0;
};

class AppDelegateTest : public testing::Test, protected FakePlatform {
protected:
    AppDelegateTest() { cameras.devices = {{"Integrated Camera", "/dev/video0", false, true}}; }

    AppDelegate& launch() {
        WindowFactories windows;
        windows.dashboard = [this] { return std::make_unique<CountingWindow>(dashboardWindows); };
        windows.activityLog = [this] { return std::make_unique<CountingWindow>(logWindows); };
        shell.reset(); // one shell at a time: the old one lets go of the status item
        shell = std::make_unique<AppDelegate>(environment, std::move(windows));
        shell->applicationDidFinishLaunching();
        loop.runPending();
        return *shell;
    }

    CapturedLog log;
    QTemporaryDir folder;
    EventBus notifications;
    FakeAlertPresenter alerts;
    FakeStatusItem statusItem;
    // The shell drives the main window beside the panel's item, as it does on a desktop.
    MainWindow mainWindow;
    StatusItemGroup statusItems{{&statusItem, &mainWindow}};
    QSettings preferences{folder.filePath("Ostrel.conf"), QSettings::IniFormat};
    ActivityLogger logger{folder.filePath("data"), folder.filePath("Desktop"), loop, &applications};
    AllowedAppsManager allowedApps{preferences};
    ShellEnvironment environment{AdvancedMonitorPlatform::from(platform, loop, notifications),
                                 userNotifications,
                                 processControl,
                                 alerts,
                                 desktopSettings,
                                 statusItems,
                                 preferences,
                                 [this]() -> ActivityLogger& { return logger; },
                                 allowedApps};
    std::vector<CountingWindow*> dashboardWindows, logWindows;
    std::unique_ptr<AppDelegate> shell;
};

} // namespace

TEST_F(AppDelegateTest, LaunchFollowsTheStoredChoicesAndQuittingStopsEverything) {
    preferences.setValue(AppDelegate::logRetentionPeriodKey, "1w");
    AppDelegate& app = launch();
    EXPECT_EQ(logger.currentRetentionPeriod(), LogRetentionPeriod::oneWeek);
    EXPECT_TRUE(app.isMonitoringActive() && logger.isLogging());
    EXPECT_TRUE(statusItem.titles.contains("🛑 Stop Monitoring"));
    statusItem.choose(StatusMenuItem::Action::CheckForUpdates);
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_TRUE(alerts.alerts[0].informativeText.contains("Ostrel 0.")); // names the version

    bool quitRequested = false;
    app.requestQuit = [&] { quitRequested = true; };
    statusItem.choose(StatusMenuItem::Action::Quit);
    EXPECT_TRUE(quitRequested);
    app.applicationWillTerminate();
    EXPECT_FALSE(app.deviceMonitor()->detector().isMonitoring());
    EXPECT_FALSE(logger.isLogging());
    QSettings onDisk(folder.filePath("Ostrel.conf"), QSettings::IniFormat);
    EXPECT_TRUE(onDisk.value(AppDelegate::autoStartMonitoringKey).toBool()); // remembered

    // Monitoring turned off stays off; a stored period that is not one leaves the logger's own.
    preferences.setValue(AppDelegate::autoStartMonitoringKey, false);
    preferences.setValue(AppDelegate::logRetentionPeriodKey, "2d");
    logger.setRetentionPeriod(LogRetentionPeriod::oneMonth);
    AppDelegate& again = launch();
    EXPECT_EQ(logger.currentRetentionPeriod(), LogRetentionPeriod::oneMonth);
    EXPECT_FALSE(again.isMonitoringActive() || logger.isLogging());
    EXPECT_TRUE(statusItem.titles.contains("▶️ Start Monitoring") &&
                statusItem.titles.contains("⏸️ Monitoring Stopped"));
    statusItem.choose(StatusMenuItem::Action::ToggleMonitoring);
    EXPECT_TRUE(again.isMonitoringActive() && statusItem.titles.contains("🛑 Stop Monitoring"));
}

TEST_F(AppDelegateTest, PermissionCheckRunsAfterEveryStartEvenWhenStoppedMeanwhile) {
    cameras.authorization = AuthorizationStatus::Denied;
    audio.authorization = AuthorizationStatus::Restricted;
    alerts.choice = 0;
    AppDelegate& app = launch();
    loop.advance(1.0);
    app.stopMonitoring();
    loop.advance(2.5);
    EXPECT_TRUE(alerts.alerts.size() == 1 && // once, with the user's choice acted on
                desktopSettings.opened == std::vector{DesktopSettings::Pane::Privacy});

    audio.authorization = AuthorizationStatus::Authorized; // one of the two is enough
    app.startMonitoring();
    loop.advance(3.0);
    EXPECT_EQ(alerts.alerts.size(), 1u);
}

TEST_F(AppDelegateTest, StatusLinesFollowTheDetectorAndWindowsAreMadeOnceOrAgainAfterClosing) {
    AppDelegate& app = launch();
    cameras.devices[0].isInUseByAnotherApplication = true;
    loop.advance(0.25);
    EXPECT_TRUE(statusItem.titles.contains("Camera Status: 🔴 Active") && statusItem.iconActive);
    EXPECT_TRUE(statusItem.titles.contains("Microphone Status: ⚫ Inactive"));
    app.stopMonitoring();
    EXPECT_TRUE(statusItem.titles.contains("⏸️ Monitoring Stopped") && !statusItem.iconActive);

    app.startMonitoring(); // shows the state the detector kept, not "Inactive"
    loop.runPending();
    EXPECT_TRUE(statusItem.titles.contains("Camera Status: 🔴 Active") && statusItem.iconActive);
    app.updateStatusMenu(false, false);
    EXPECT_TRUE(statusItem.titles.contains("Camera Status: ⚫ Inactive") && !statusItem.iconActive);

    // The dashboard is made once; the activity log again once its window was closed.
    shell->showMainWindow();
    shell->showMainWindow();
    EXPECT_TRUE(dashboardWindows.size() == 1 && dashboardWindows[0]->shows == 2);

    shell->showActivityLog();
    shell->showActivityLog();
    ASSERT_TRUE(logWindows.size() == 1 && logWindows[0]->shows == 2);
    logWindows[0]->onClosed();
    loop.runPending();
    shell->showActivityLog();
    EXPECT_TRUE(logWindows.size() == 2 && logWindows[1]->shows == 1);

    shell->showSettings(); // a window this build does not have is reported, not shown
    EXPECT_TRUE(log.contains("ℹ️ [AppDelegate] No settings window in this build"));
}

TEST_F(AppDelegateTest, TheMainWindowOffersEveryMenuItemAndTriggersTheSameHandlers) {
    launch();
    shell->updateStatusMenu(true, false);
    // Item by item what the menu shows: text for headings and status lines, a button for
    // each action, nothing for separators.
    for (int index = 0; index < statusItem.titles.size(); ++index) {
        QWidget* widget = mainWindow.itemWidget(index);
        const StatusMenuItem& item = shell->statusMenu().items()[size_t(index)];
        SCOPED_TRACE(item.title.toStdString());
        if (item.isSeparator()) {
            EXPECT_EQ(widget, nullptr);
        } else if (item.action == StatusMenuItem::Action::None) {
            EXPECT_EQ(qobject_cast<QLabel*>(widget)->text(), statusItem.titles[index]);
        } else {
            EXPECT_EQ(qobject_cast<QPushButton*>(widget)->text(), statusItem.titles[index]);
        }
    }
    EXPECT_EQ(mainWindow.itemWidget(statusItem.titles.size()), nullptr);

    bool quitRequested = false;
    shell->requestQuit = [&] { quitRequested = true; };
    auto press = [this](const QString& title) {
        auto* button = qobject_cast<QPushButton*>(
            mainWindow.itemWidget(int(statusItem.titles.indexOf(title))));
        ASSERT_NE(button, nullptr) << title.toStdString();
        button->click();
    };
    press("📊 Show Privacy Monitor");
    press("📊 Activity Log");
    press("Settings");
    press("🛑 Stop Monitoring");
    EXPECT_TRUE(dashboardWindows.size() == 1 && logWindows.size() == 1 &&
                log.contains("ℹ️ [AppDelegate] No settings window in this build"));
    EXPECT_TRUE(!shell->isMonitoringActive() &&
                statusItem.titles.contains("▶️ Start Monitoring"));
    press("▶️ Start Monitoring"); // the rebuilt window has the new button
    press("Quit Ostrel");
    EXPECT_TRUE(shell->isMonitoringActive() && quitRequested);
}

TEST(TrayStatusItem, TheIconComesAndGoesWithATrayHostOnTheSessionBus) {
    int asked = 0;
    TrayStatusItem item([&asked] { return ++asked > 0; });
    item.setMenu(StatusMenuModel::build(true));
    std::vector<bool> changes;
    item.onTrayAvailabilityChanged = [&changes](bool available) { changes.push_back(available); };
    // Qt decides only once whether it may use a bus tray: it is not asked before one is there.
    EXPECT_TRUE(!item.isTrayAvailable() && asked == 0);

    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.registerService(TrayAvailability::watcherService));
    ASSERT_TRUE(runUntil([&item] { return item.isTrayAvailable(); }));
    EXPECT_TRUE(item.trayIcon()->isVisible() && item.trayIcon()->contextMenu() == item.menu());
    bus.unregisterService(TrayAvailability::watcherService);
    ASSERT_TRUE(runUntil([&item] { return !item.isTrayAvailable(); }));
    EXPECT_EQ(changes, (std::vector{true, false}));
}

TEST(TrayStatusItem, DrawsTheMenuWithShortcutsAndDisabledHeader) {
    TrayStatusItem item;
    std::vector<StatusMenuItem::Action> chosen;
    item.setActionHandler([&](StatusMenuItem::Action action) { chosen.push_back(action); });
    item.setMenu(StatusMenuModel::build(true));
    ASSERT_TRUE(item.hasMenu() && item.menu()->actions().size() == 19);
    const QList<QAction*> actions = item.menu()->actions();
    EXPECT_TRUE(actions[0]->text() == "Ostrel" && !actions[0]->isEnabled() &&
                actions[1]->isSeparator());
    EXPECT_TRUE(actions[2]->shortcut() == QKeySequence("Ctrl+M") &&
                actions.last()->shortcut() == QKeySequence("Ctrl+Q"));

    item.setItemTitle(6, "Camera Status: 🔴 Active");
    EXPECT_EQ(actions[6]->text(), "Camera Status: 🔴 Active");

    actions[4]->trigger();
    actions.last()->trigger();
    EXPECT_EQ(chosen, (std::vector{StatusMenuItem::Action::ToggleMonitoring,
                                   StatusMenuItem::Action::Quit}));

    // A rebuilt menu replaces the old one whole.
    item.setMenu(StatusMenuModel::build(false));
    EXPECT_TRUE(item.menu()->actions().size() == 18 &&
                item.menu()->actions()[6]->text() == "⏸️ Monitoring Stopped");
}

TEST(GuiPlatformSelection, AlwaysLeavesOffscreenAsTheLastResortUnlessTheUserChose) {
    EXPECT_EQ(chooseGuiPlatform("", "", "").platformList, "offscreen");
    EXPECT_EQ(chooseGuiPlatform("", ":0", "").platformList, "xcb;offscreen");
    EXPECT_EQ(chooseGuiPlatform("", "", "wayland-0").platformList, "wayland;offscreen");
    EXPECT_EQ(chooseGuiPlatform("", ":0", "wayland-0").platformList, "wayland;xcb;offscreen");
    EXPECT_TRUE(chooseGuiPlatform("xcb", "", "").platformList.isEmpty());

    // The fallback is reported once we really ended up offscreen, and only then.
    const GuiPlatformChoice x11 = chooseGuiPlatform("", ":0", "");
    EXPECT_TRUE(offscreenFallbackLine(x11, "xcb").isEmpty() &&
                !offscreenFallbackLine(x11, "offscreen").isEmpty());
    EXPECT_TRUE(
        offscreenFallbackLine(chooseGuiPlatform("offscreen", "", ""), "offscreen").isEmpty());
}
