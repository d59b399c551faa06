#include "app/OnboardingWindowController.h"
#include "support/CapturedLog.h"
#include "support/FakeAudioSystem.h"
#include "support/FakeCameraService.h"
#include "support/FakeDesktopSettings.h"
#include "support/FakeUserNotificationCenter.h"
#include "support/ManualRunLoop.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

class OnboardingTest : public testing::Test {
protected:
    OnboardingTest() {
        manager.showOnboarding = [this] { controller.showWindow(); };
    }

    OnboardingView* view() const {
        return controller.window() ? controller.window()->view() : nullptr;
    }
    int step() const { return view()->flow().currentStep(); }
    QPushButton* button(const QString& text) const {
        for (QPushButton* candidate : view()->currentScreen()->findChildren<QPushButton*>()) {
            if (candidate->text() == text) {
                return candidate;
            }
        }
        return nullptr;
    }
    void press(const QString& text) {
        QPushButton* found = button(text);
        ASSERT_NE(found, nullptr) << "no button " << text.toStdString() << " on step " << step();
        ASSERT_TRUE(found->isEnabled()) << text.toStdString();
        found->click();
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

    QTemporaryDir root;
    QSettings preferences{root.filePath("Ostrel.conf"), QSettings::IniFormat};
    ManualRunLoop loop;
    FakeCameraService cameras;
    FakeAudioSystem audio;
    FakeUserNotificationCenter notifications{loop};
    FakeDesktopSettings desktopSettings;
    OnboardingManager manager{preferences, {"1.1", "7"}};
    OnboardingWindowController controller{{cameras, audio, notifications, desktopSettings, loop},
                                          manager};
    CapturedLog log;
};

} // namespace

TEST_F(OnboardingTest, FirstLaunchShowsItAndFinishingSkipsItForThisVersionOnly) {
    manager.checkAndShowOnboarding();
    EXPECT_EQ(log.lines(),
              QStringList({"🚀 [Onboarding] Checking if onboarding is needed...",
                           "🔍 [Onboarding] Current version: 1.1",
                           "🔍 [Onboarding] Last onboarding version: nil",
                           "📝 [Onboarding] No previous onboarding version found - showing "
                           "onboarding",
                           "📋 [Onboarding] Showing onboarding"}));
    ASSERT_NE(controller.window(), nullptr);
    EXPECT_TRUE(controller.window()->isVisible());
    EXPECT_EQ(controller.window()->windowTitle(), "Ostrel Setup");
    EXPECT_EQ(controller.window()->objectName(), "OnboardingWindow");
    EXPECT_GE(controller.window()->width(), 600);
    EXPECT_GE(controller.window()->height(), 700);
    loop.runPending();

    // Every step by its own button; the permissions are all granted already.
    press("Get Started");
    press("Continue");
    EXPECT_EQ(view()->currentScreen()->objectName(), "PermissionStepScreen");
    press("Continue");
    press("Continue");
    EXPECT_EQ(badge(), "Granted");
    press("Back");
    EXPECT_EQ(step(), 3);
    press("Continue");
    press("Continue");
    press("Got It!");
    EXPECT_EQ(step(), 6);
    EXPECT_FALSE(preferences.contains("OnboardingCompletedVersion"));
    log.clear();
    press("Start Protecting My Privacy");
    EXPECT_TRUE(log.contains("✅ [Onboarding] Marked onboarding as completed for version: 1.1"));
    EXPECT_EQ(preferences.value("OnboardingCompletedVersion"), QVariant("1.1"));
    EXPECT_EQ(preferences.value("OnboardingCompleted").toBool(), true);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(controller.window(), nullptr); // finishing closed and freed the window

    log.clear();
    manager.checkAndShowOnboarding(); // the next launch, or "Setup Assistant"
    EXPECT_TRUE(log.contains("✅ [Onboarding] Onboarding completed for this version: true"));
    EXPECT_TRUE(log.contains("✅ [Onboarding] Onboarding already completed, skipping"));
    EXPECT_EQ(controller.window(), nullptr);

    OnboardingManager newer(preferences, {"1.2", "8"});
    log.clear();
    EXPECT_FALSE(newer.isOnboardingCompleted());
    EXPECT_TRUE(log.contains("🔍 [Onboarding] Last onboarding version: 1.1"));
    EXPECT_TRUE(log.contains("✅ [Onboarding] Onboarding completed for this version: false"));
}

TEST_F(OnboardingTest, WithoutVersionInformationItIsAlwaysShownAndNothingIsStored) {
    OnboardingManager unversioned(preferences, {});
    EXPECT_EQ(unversioned.getAppVersion(), std::nullopt);
    EXPECT_FALSE(unversioned.isOnboardingCompleted());
    EXPECT_TRUE(log.contains("⚠️ [Onboarding] Could not get current app version"));
    log.clear();
    unversioned.markOnboardingCompleted();
    EXPECT_EQ(log.lines(),
              QStringList({"❌ [Onboarding] No version information found in release build",
                           "❌ [Onboarding] Could not get current app version when marking "
                           "completed"}));
    EXPECT_TRUE(preferences.allKeys().isEmpty());

    OnboardingManager buildOnly(preferences, {std::nullopt, "42"});
    log.clear();
    EXPECT_EQ(buildOnly.getAppVersion(), "42");
    EXPECT_EQ(log.lines(), QStringList{"⚠️ [Onboarding] CFBundleShortVersionString not found, "
                                       "using CFBundleVersion: 42"});
}

TEST_F(OnboardingTest, GrantingACaptureDeviceMovesOnWithoutContinue) {
    audio.authorization = AuthorizationStatus::NotDetermined;
    showAndGoTo(2);
    EXPECT_EQ(badge(), "Required");
    ASSERT_NE(button("Grant Access"), nullptr);

    audio.authorization = AuthorizationStatus::Authorized; // the user let Ostrel in
    press("Grant Access");
    EXPECT_TRUE(view()->flow().isRequestingPermission());
    EXPECT_NE(button("Requesting..."), nullptr);
    EXPECT_FALSE(button("Grant Access")->isEnabled());
    loop.runPending();
    EXPECT_EQ(step(), 3);
    EXPECT_FALSE(view()->flow().isRequestingPermission());

    // A camera that stays out of reach offers the desktop's settings, and no way forward.
    cameras.authorization = AuthorizationStatus::Denied;
    view()->flow().readPermissionStatuses();
    loop.runPending();
    EXPECT_EQ(badge(), "Denied");
    press("Open Settings");
    button("Grant")->click(); // the card's own button does the same for a denied permission
    EXPECT_EQ(desktopSettings.opened,
              std::vector<DesktopSettings::Pane>(2, DesktopSettings::Pane::Camera));
    EXPECT_EQ(step(), 3);
    EXPECT_EQ(button("Continue"), nullptr);
}

TEST_F(OnboardingTest, NotificationStatusesDecideTheNotificationStep) {
    notifications.settings.authorizationStatus = NotificationAuthorizationStatus::Provisional;
    showAndGoTo(4);
    EXPECT_EQ(badge(), "Granted");
    press("Continue");
    EXPECT_EQ(step(), 5);
    closeWindow();

    notifications.settings.authorizationStatus = NotificationAuthorizationStatus::NotDetermined;
    showAndGoTo(4);
    EXPECT_EQ(badge(), "Required");
    log.clear();
    press("Grant Access");
    loop.runPending();
    EXPECT_EQ(log.lines(), QStringList({"✅ Notification permission granted: true",
                                        "📱 Final notification status: 2"}));
    EXPECT_EQ(step(), 5);
    closeWindow();

    notifications.settings.authorizationStatus = NotificationAuthorizationStatus::Ephemeral;
    showAndGoTo(4);
    EXPECT_EQ(badge(), "Denied");
    press("Open Settings");
    EXPECT_EQ(desktopSettings.opened,
              std::vector<DesktopSettings::Pane>{DesktopSettings::Pane::Notifications});
    EXPECT_EQ(notifications.authorizationRequests, 1);
}

TEST_F(OnboardingTest, ARefusedOrFailedNotificationRequestStaysOnTheStep) {
    notifications.settings.authorizationStatus = NotificationAuthorizationStatus::NotDetermined;
    notifications.authorizationError = QString("no notification service");
    showAndGoTo(4);
    press("Grant Access");
    loop.runPending();
    EXPECT_TRUE(log.contains("❌ Notification permission error: no notification service"));
    EXPECT_TRUE(log.contains("📱 Final notification status: 0"));
    EXPECT_EQ(step(), 4);
    EXPECT_EQ(button("Grant Access")->isEnabled(), true);
}

TEST_F(OnboardingTest, ClosingWithoutFinishingLeavesItNotCompletedAndStartsOverNextTime) {
    showAndGoTo(3);
    OnboardingWindow* first = controller.window();
    manager.checkAndShowOnboarding(); // "Setup Assistant" while it is open
    EXPECT_EQ(controller.window(), first);
    EXPECT_EQ(step(), 3);

    bool closed = false;
    controller.onClosed = [&closed] { closed = true; };
    closeWindow();
    EXPECT_TRUE(closed);
    EXPECT_EQ(controller.window(), nullptr);
    EXPECT_FALSE(manager.isOnboardingCompleted());
    EXPECT_FALSE(preferences.contains("OnboardingCompleted"));

    manager.checkAndShowOnboarding();
    ASSERT_NE(controller.window(), nullptr);
    EXPECT_EQ(step(), 0);
    EXPECT_EQ(view()->currentScreen()->objectName(), "WelcomeScreen");
}

TEST_F(OnboardingTest, AnAnswerArrivingAfterTheWindowClosedIsDropped) {
    audio.authorization = AuthorizationStatus::NotDetermined;
    showAndGoTo(2);
    press("Grant Access");
    closeWindow();
    loop.runPending(); // must not touch the freed flow
    EXPECT_EQ(controller.window(), nullptr);
}
