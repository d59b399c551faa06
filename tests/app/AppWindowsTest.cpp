#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/OnboardingWindowController.h"
#include "app/SettingsWindow.h"
#include "dashboard/PrivacyMonitorWindow.h"
#include "support/CapturedLog.h"
#include "support/FakeAlertPresenter.h"
#include "support/FakePlatform.h"
#include "ui/WidgetWindowController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

// The onboarding assistant and the settings window, on fakes.
class AppWindowsTest : public testing::Test, protected FakePlatform {
protected:
    AppWindowsTest() {
        manager.showOnboarding = [this] { controller.showWindow(); };
    }

    OnboardingView* view() const { return controller.window()->view(); }
    int step() const { return view()->flow().currentStep(); }
    QPushButton* button(const QString& text) const {
        const auto all = view()->currentScreen()->findChildren<QPushButton*>();
        const auto found =
            std::find_if(all.begin(), all.end(), [&](auto* b) { return b->text() == text; });
        return found == all.end() ? nullptr : *found;
    }
    // Presses each button in turn, on whatever screen it leads to.
    void press(std::initializer_list<QString> texts) {
        for (const QString& text : texts) {
            QPushButton* found = button(text);
            ASSERT_TRUE(found && found->isEnabled()) << text.toStdString() << " on step " << step();
            found->click();
        }
    }
    QString badge() const {
        return view()->currentScreen()->findChild<QLabel*>("PermissionStatusBadge")->text();
    }
    void showAndGoTo(int target) {
        manager.checkAndShowOnboarding();
        loop.runPending();
        while (step() < target) {
            view()->flow().nextStep();
        }
    }
    void closeWindow() {
        controller.window()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    SettingsEnvironment environment() {
        return {preferences, startAtLogin, logger, {"0.1.0", "1"}, &alerts};
    }
    // The four checkboxes, top to bottom.
    static std::vector<bool> checked(const SettingsView& view) {
        return {view.autoMonitoringCheckbox()->isChecked(),
                view.inactiveAlertsCheckbox()->isChecked(), view.autoStartCheckbox()->isChecked(),
                view.soundAlertsCheckbox()->isChecked()};
    }

    QTemporaryDir root;
    QSettings preferences{root.filePath("Ostrel.conf"), QSettings::IniFormat};
    ActivityLogger logger{root.filePath("Ostrel"), root.filePath("Desktop"), loop, nullptr};
    OnboardingManager manager{preferences, {"1.1", "7"}};
    OnboardingWindowController controller{
        {cameras, audio, userNotifications, desktopSettings, loop}, manager};
    CapturedLog log;
    FakeAlertPresenter alerts;
};

// Sends a key to `target` as the window system would deliver it to the focused widget: what
// the widget leaves unhandled goes on to its parents.
void pressKey(QWidget* target, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
}

using OnboardingTest = AppWindowsTest;
using SettingsViewTest = AppWindowsTest;

} // namespace

TEST_F(OnboardingTest, FirstLaunchShowsItAndFinishingSkipsItForThisVersionOnly) {
    manager.checkAndShowOnboarding();
    ASSERT_TRUE(controller.window() && controller.window()->isVisible());
    loop.runPending();

    // Every step by its own button; the permissions are all granted already.
    press({"Get Started", "Continue", "Continue", "Continue"});
    EXPECT_EQ(badge(), "Granted");
    press({"Back"});
    EXPECT_EQ(step(), 3);
    press({"Continue", "Continue", "Got It!"});
    EXPECT_EQ(step(), 6);
    EXPECT_FALSE(preferences.contains(OnboardingManager::completedVersionKey));
    press({"Start Protecting My Privacy"});
    EXPECT_EQ(preferences.value(OnboardingManager::completedVersionKey), QVariant("1.1"));
    EXPECT_TRUE(preferences.value(OnboardingManager::completedKey).toBool());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(controller.window(), nullptr); // finishing closed and freed the window

    manager.checkAndShowOnboarding(); // the next launch, or "Setup Assistant"
    EXPECT_EQ(controller.window(), nullptr);
    EXPECT_FALSE(OnboardingManager(preferences, {"1.2", "8"}).isOnboardingCompleted());
}

TEST_F(OnboardingTest, WithoutVersionInformationItIsAlwaysShownAndNothingIsStored) {
    OnboardingManager unversioned(preferences, {});
    EXPECT_FALSE(unversioned.getAppVersion() || unversioned.isOnboardingCompleted());
    unversioned.markOnboardingCompleted();
    EXPECT_TRUE(preferences.allKeys().isEmpty());
    EXPECT_TRUE(log.contains("❌ [Onboarding] Could not get current app version when marking "
                             "completed"));
    EXPECT_EQ(OnboardingManager(preferences, {std::nullopt, "42"}).getAppVersion(), "42");
}

TEST_F(OnboardingTest, CapturePermissionStepsAndClosingHalfway) {
    audio.authorization = AuthorizationStatus::NotDetermined;
    showAndGoTo(2);
    OnboardingWindow* first = controller.window();
    manager.checkAndShowOnboarding(); // "Setup Assistant" while it is open
    EXPECT_TRUE(controller.window() == first && step() == 2);
    EXPECT_EQ(badge(), "Required");
    audio.authorization = AuthorizationStatus::Authorized; // the user let Ostrel in
    press({"Grant Access"});
    EXPECT_TRUE(button("Requesting...") && !button("Grant Access")->isEnabled());
    loop.runPending();
    EXPECT_TRUE(step() == 3 && !view()->flow().isRequestingPermission()); // on without Continue

    // A camera that stays out of reach offers the desktop's settings, and no way forward.
    cameras.authorization = AuthorizationStatus::Denied;
    view()->flow().readPermissionStatuses();
    loop.runPending();
    EXPECT_EQ(badge(), "Denied");
    press({"Open Settings", "Grant"}); // the card's own button does the same when denied
    EXPECT_EQ(desktopSettings.opened,
              std::vector<DesktopSettings::Pane>(2, DesktopSettings::Pane::Camera));
    EXPECT_TRUE(step() == 3 && !button("Continue"));

    // Closed while a request is pending: the answer is dropped, and the next time starts over.
    cameras.authorization = AuthorizationStatus::NotDetermined;
    view()->flow().readPermissionStatuses();
    press({"Grant Access"});
    bool closed = false;
    controller.onClosed = [&closed] { closed = true; };
    closeWindow();
    loop.runPending(); // must not touch the freed flow
    EXPECT_TRUE(closed && !controller.window());
    EXPECT_FALSE(manager.isOnboardingCompleted() ||
                 preferences.contains(OnboardingManager::completedKey));
    manager.checkAndShowOnboarding();
    EXPECT_TRUE(controller.window() && step() == 0);
}

TEST_F(OnboardingTest, NotificationStatusesDecideTheNotificationStep) {
    using Status = NotificationAuthorizationStatus;
    // The status, its badge, the main button, an error the request fails with, the step after;
    // last, a session without any notification service, whose step is passed.
    const std::tuple<Status, QString, QString, QString, int, bool> cases[] = {
        {Status::Provisional, "Granted", "Continue", "", 5, true},
        {Status::NotDetermined, "Required", "Grant Access", "", 5, true},
        {Status::NotDetermined, "Required", "Grant Access", "no notification service", 4, true},
        {Status::Ephemeral, "Denied", "Open Settings", "", 4, true},
        {Status::Denied, "No service", "Continue", "", 5, false}};
    for (const auto& [status, badgeText, main, why, nextStep, server] : cases) {
        SCOPED_TRACE(badgeText.toStdString() + " " + why.toStdString());
        userNotifications.settings.authorizationStatus = status;
        userNotifications.settings.serverAvailable = server;
        userNotifications.authorizationError = why.isEmpty() ? std::nullopt : std::optional(why);
        showAndGoTo(4);
        EXPECT_EQ(badge(), badgeText);
        press({main});
        loop.runPending();
        EXPECT_TRUE(step() == nextStep && !view()->flow().isRequestingPermission());
        closeWindow();
    }
    EXPECT_TRUE(log.contains("❌ Notification permission error: no notification service"));
    EXPECT_EQ(desktopSettings.opened, std::vector{DesktopSettings::Pane::Notifications});
    EXPECT_EQ(userNotifications.authorizationRequests, 2);
}

TEST_F(SettingsViewTest, AWindowShowsTheStoredValuesTheRealAutostartStateAndTheVersion) {
    preferences.setValue(AppDelegate::autoStartMonitoringKey, true);
    preferences.setValue(NotificationManager::showInactiveAlertsKey, true);
    preferences.setValue(NotificationManager::soundAlertsKey, true);
    preferences.setValue(AppDelegate::logRetentionPeriodKey, "1m");
    startAtLogin.enabled = true;
    SettingsView view(environment());
    EXPECT_EQ(checked(view), std::vector<bool>(4, true));
    EXPECT_TRUE(view.retentionSelector()->currentText() == "Last Month" &&
                startAtLogin.changes == 0); // showing changes nothing
    EXPECT_EQ(view.versionLabel()->text(), "Ostrel v0.1.0 (Build 1)");
    EXPECT_EQ(AppVersionInfo{}.displayText(), "Ostrel vUnknown (Build Unknown)");
    EXPECT_EQ((AppVersionInfo{"0.2.0", {}}).displayText(), "Ostrel v0.2.0 (Build Unknown)");

    // A stored period the launch could not apply shows the logger's own.
    preferences.setValue(AppDelegate::logRetentionPeriodKey, "2d");
    logger.setRetentionPeriod(LogRetentionPeriod::oneWeek);
    EXPECT_EQ(SettingsView(environment()).retentionSelector()->currentText(), "Last Week");
}

TEST_F(SettingsViewTest, TogglingWritesItsKeyOrTheAutostartEntryAtOnce) {
    SettingsView first(environment());
    SettingsView second(environment()); // two windows may be open at once
    first.autoMonitoringCheckbox()->click();
    first.inactiveAlertsCheckbox()->click();
    first.soundAlertsCheckbox()->click();
    EXPECT_EQ(checked(SettingsView(environment())), (std::vector{true, true, false, true}));
    second.soundAlertsCheckbox()->click();
    second.soundAlertsCheckbox()->click();
    EXPECT_FALSE(preferences.value(NotificationManager::soundAlertsKey).toBool());

    first.autoStartCheckbox()->click();
    EXPECT_TRUE(startAtLogin.enabled);
    first.autoStartCheckbox()->click();
    EXPECT_TRUE(!startAtLogin.enabled && preferences.allKeys().size() == 3); // the entry alone

    // A change the desktop refuses shows the real state again.
    startAtLogin.failWrites = true;
    first.autoStartCheckbox()->click();
    EXPECT_TRUE(startAtLogin.changes == 3 && !first.autoStartCheckbox()->isChecked());
}

TEST_F(SettingsViewTest, APeriodThatDeletesEntriesAsksFirstAndNoKeepsThePreviousChoice) {
    preferences.setValue(AppDelegate::logRetentionPeriodKey, "1m");
    logger.setRetentionPeriod(LogRetentionPeriod::oneMonth);
    logger.startLogging();
    for (const double daysAgo : {22.5, 12.5, 2.5}) { // noon of 9, 19 and 29 December 2025
        loop.stepWallClock(-daysAgo * 86400);
        logger.logActivity(DeviceType::Camera, "app", std::nullopt, 10, true);
        loop.runPending();
        loop.stepWallClock(daysAgo * 86400);
    }
    SettingsView view(environment());
    QComboBox* selector = view.retentionSelector();

    // Outside the focus the wheel passes the selector by, to the page around it.
    QWheelEvent wheel({5, 5}, {5, 5}, {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(selector, &wheel);
    EXPECT_TRUE(selector->currentText() == "Last Month" && !wheel.isAccepted() &&
                selector->focusPolicy() == Qt::StrongFocus);

    const QString twoEntries = "This deletes 2 entries, the oldest from 9 December 2025. Continue?";
    // The period chosen, the answer, the question asked (none: empty), then what the selector
    // shows, the stored period and the entries left.
    const std::tuple<QString, std::optional<int>, QString, QString, QString, int> cases[] = {
        {"Last Week", 1, twoEntries, "Last Month", "1m", 3},
        {"Last Week", std::nullopt, twoEntries, "Last Month", "1m", 3}, // closed unanswered
        {"Last Week", 0, twoEntries, "Last Week", "1w", 1},
        {"Last Month", 0, "", "Last Month", "1m", 1}, // nothing to delete, nothing asked
        {"Last 24 Hours", 0, "This deletes 1 entry, from 29 December 2025. Continue?",
         "Last 24 Hours", "24h", 0}};
    for (const auto& [period, answer, question, shown, stored, left] : cases) {
        SCOPED_TRACE(period.toStdString() + " → " + shown.toStdString());
        alerts.alerts.clear();
        alerts.choice = answer;
        selector->setCurrentIndex(selector->findText(period));
        EXPECT_EQ(alerts.alerts.empty() ? "" : alerts.alerts.back().informativeText.toStdString(),
                  question.toStdString());
        EXPECT_TRUE(selector->currentText() == shown &&
                    preferences.value(AppDelegate::logRetentionPeriodKey) == stored &&
                    logger.logs().size() == left);
    }
}

TEST_F(SettingsViewTest, TheControllerMakesAWindowThatIsFreedWhenClosed) {
    std::unique_ptr<WindowController> settings = makeSettingsWindowController(environment());
    bool closed = false;
    settings->onClosed = [&closed] { closed = true; };
    settings->showWindow();
    QWidget* window = dynamic_cast<WidgetWindowController&>(*settings).window();
    ASSERT_TRUE(window && window->isVisible());
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed);
}

TEST_F(AppWindowsTest, EscapeClosesEveryWindow) {
    AllowedAppsManager allowedApps(preferences);
    MainWindow mainWindow;
    mainWindow.setMenu(StatusMenuModel::build(true));
    const std::unique_ptr<WindowController> settings = makeSettingsWindowController(environment());
    const std::unique_ptr<WindowController> dashboard =
        makeDashboardWindow({loop, [] { return false; }, [] { return nullptr; }, processControl,
                             processes, applications, preferences, allowedApps});
    manager.checkAndShowOnboarding();
    const std::pair<const char*, QPointer<QWidget>> windows[] = {
        {"main", &mainWindow},
        {"settings", dynamic_cast<WidgetWindowController&>(*settings).window()},
        {"dashboard", dynamic_cast<PrivacyMonitorWindow&>(*dashboard).window()},
        {"onboarding", controller.window()}};
    for (const auto& [name, window] : windows) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(window);
        window->show();
        // A button leaves Escape to its window.
        pressKey(window->findChildren<QAbstractButton*>().value(0), Qt::Key_Escape);
        EXPECT_TRUE(!window || !window->isVisible());
    }
}

TEST_F(OnboardingTest, EnterPressesTheFocusedButtonElseTheScreensMainButton) {
    showAndGoTo(1);
    pressKey(view(), Qt::Key_Return);
    EXPECT_EQ(step(), 2);
    pressKey(button("Back"), Qt::Key_Enter);
    EXPECT_EQ(step(), 1);
    pressKey(view()->currentScreen(), Qt::Key_Return);
    EXPECT_EQ(step(), 2);
}
