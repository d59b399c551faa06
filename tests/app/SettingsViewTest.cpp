#include "app/SettingsWindow.h"
#include "support/CapturedLog.h"
#include "support/FakeStartAtLogin.h"
#include "support/ManualRunLoop.h"
#include "ui/WidgetWindowController.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

class SettingsViewTest : public testing::Test {
protected:
    SettingsEnvironment environment(AppVersionInfo version = {"0.1.0", "1"}) {
        return {preferences, startAtLogin, logger, std::move(version)};
    }

    QTemporaryDir root;
    QSettings preferences{root.filePath("Ostrel.conf"), QSettings::IniFormat};
    ManualRunLoop loop;
    ActivityLogger logger{root.filePath("Ostrel"), root.filePath("Desktop"), loop, nullptr};
    FakeStartAtLogin startAtLogin;
    CapturedLog log;
};

} // namespace

TEST_F(SettingsViewTest, AFreshWindowShowsTheStoredValuesAndTheRealAutostartState) {
    SettingsWindow empty(environment());
    EXPECT_EQ(empty.windowTitle(), "Ostrel Settings");
    EXPECT_EQ(empty.width(), 400);
    EXPECT_GE(empty.height(), 300);
    EXPECT_FALSE(empty.view()->autoMonitoringCheckbox()->isChecked());
    EXPECT_FALSE(empty.view()->inactiveAlertsCheckbox()->isChecked());
    EXPECT_FALSE(empty.view()->autoStartCheckbox()->isChecked());
    EXPECT_FALSE(empty.view()->soundAlertsCheckbox()->isChecked());
    EXPECT_EQ(empty.view()->retentionSelector()->currentText(), "Last 24 Hours");
    EXPECT_EQ(empty.view()->versionLabel()->text(), "Ostrel v0.1.0 (Build 1)");

    preferences.setValue("OstrelAutoStartMonitoring", true);
    preferences.setValue("OstrelShowInactiveAlerts", true);
    preferences.setValue("OstrelSoundAlerts", true);
    preferences.setValue("OstrelLogRetentionPeriod", "1m");
    startAtLogin.enabled = true;
    SettingsWindow stored(environment());
    EXPECT_TRUE(stored.view()->autoMonitoringCheckbox()->isChecked());
    EXPECT_TRUE(stored.view()->inactiveAlertsCheckbox()->isChecked());
    EXPECT_TRUE(stored.view()->autoStartCheckbox()->isChecked());
    EXPECT_TRUE(stored.view()->soundAlertsCheckbox()->isChecked());
    EXPECT_EQ(stored.view()->retentionSelector()->currentText(), "Last Month");

    // A stored period the launch could not apply shows the logger's own.
    preferences.setValue("OstrelLogRetentionPeriod", "2d");
    logger.setRetentionPeriod(LogRetentionPeriod::oneWeek);
    EXPECT_EQ(SettingsView(environment()).retentionSelector()->currentText(), "Last Week");
    EXPECT_TRUE(log.lines().filter("Auto-start").isEmpty()); // showing changes nothing
}

TEST_F(SettingsViewTest, TogglingWritesItsKeyOrTheAutostartEntryAtOnce) {
    SettingsView first(environment());
    SettingsView second(environment()); // two windows may be open at once
    first.autoMonitoringCheckbox()->click();
    first.inactiveAlertsCheckbox()->click();
    first.soundAlertsCheckbox()->click();
    EXPECT_EQ(preferences.value("OstrelAutoStartMonitoring"), QVariant(true));
    EXPECT_EQ(preferences.value("OstrelShowInactiveAlerts"), QVariant(true));
    EXPECT_EQ(preferences.value("OstrelSoundAlerts"), QVariant(true));
    second.soundAlertsCheckbox()->click();
    second.soundAlertsCheckbox()->click();
    EXPECT_EQ(preferences.value("OstrelSoundAlerts"), QVariant(false));

    first.autoStartCheckbox()->click();
    EXPECT_TRUE(startAtLogin.enabled);
    first.autoStartCheckbox()->click();
    EXPECT_FALSE(startAtLogin.enabled);
    EXPECT_EQ(log.lines().filter("Auto-start"),
              QStringList({"Auto-start enabled", "Auto-start disabled"}));
    const QStringList keys = preferences.allKeys();
    EXPECT_EQ(keys.size(), 3); // the login choice lives in the autostart entry alone
}

TEST_F(SettingsViewTest, AFailedAutostartChangeShowsTheRealStateAgain) {
    SettingsView view(environment());
    startAtLogin.failWrites = true;
    view.autoStartCheckbox()->click();
    EXPECT_EQ(startAtLogin.changes, 1);
    EXPECT_FALSE(view.autoStartCheckbox()->isChecked());
    EXPECT_TRUE(log.lines().filter("Auto-start").isEmpty());
}

TEST_F(SettingsViewTest, ChoosingARetentionPeriodStoresItsRawValueAndAppliesIt) {
    logger.startLogging();
    loop.stepWallClock(-3 * 86400);
    logger.logActivity(DeviceType::Camera, "three-days-ago", std::nullopt, 10, true);
    loop.runPending();
    loop.stepWallClock(3 * 86400);

    SettingsView view(environment());
    view.retentionSelector()->setCurrentIndex(view.retentionSelector()->findText("Last Week"));
    EXPECT_EQ(preferences.value("OstrelLogRetentionPeriod"), QVariant("1w"));
    EXPECT_EQ(logger.currentRetentionPeriod(), LogRetentionPeriod::oneWeek);
    EXPECT_EQ(logger.logs().size(), 1);

    // The shorter period removes the older entry at once, as the note beside it says.
    view.retentionSelector()->setCurrentIndex(view.retentionSelector()->findText("Last 24 Hours"));
    EXPECT_EQ(preferences.value("OstrelLogRetentionPeriod"), QVariant("24h"));
    EXPECT_TRUE(logger.logs().isEmpty());
}

TEST_F(SettingsViewTest, MissingVersionInformationReadsUnknown) {
    EXPECT_EQ(SettingsView(environment({})).versionLabel()->text(),
              "Ostrel vUnknown (Build Unknown)");
    EXPECT_EQ(SettingsView(environment({"0.2.0", std::nullopt})).versionLabel()->text(),
              "Ostrel v0.2.0 (Build Unknown)");
}

TEST_F(SettingsViewTest, TheControllerMakesAWindowThatIsFreedWhenClosed) {
    std::unique_ptr<WindowController> controller = makeSettingsWindowController(environment());
    bool closed = false;
    controller->onClosed = [&closed] { closed = true; };
    controller->showWindow();
    QWidget* window = dynamic_cast<WidgetWindowController&>(*controller).window();
    ASSERT_TRUE(window && window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Ostrel Settings");
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed);
}
