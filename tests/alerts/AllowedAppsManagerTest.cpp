#include "alerts/AllowedAppsManager.h"

#include "support/CapturedLog.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

class AllowedAppsManagerTest : public testing::Test {
protected:
    QTemporaryDir root;
    QSettings settings{root.filePath("Ostrel.conf"), QSettings::IniFormat};
    QDateTime clock{QDate(2026, 1, 1), QTime(9, 0), Qt::UTC};
    AllowedAppsManager manager{settings, [this] { return clock; }};
    CapturedLog log;
};

} // namespace

TEST_F(AllowedAppsManagerTest, NameRuleIsLooseAndIgnoresCase) {
    manager.addApp("Zoom", "Camera");
    EXPECT_TRUE(manager.isAppAllowed("zoom.us", "Camera"));
    EXPECT_FALSE(manager.isAppAllowed("zoom.us", "Microphone"));

    AllowedApps apps = manager.getAllowedApps();
    apps.insert("facetime_camera", {{"processName", "facetime"}, {"device", "camera"}});
    apps.insert("my_app_Microphone", {{"processName", "my_app"}, {"device", "Microphone"}});
    apps.insert("NoUnderscore", {{"processName", "NoUnderscore"}, {"device", "Camera"}});
    apps.insert("Google Chrome Helper_Camera", {{"processName", "x"}, {"device", "Camera"}});
    manager.saveAllowedApps(apps);

    EXPECT_TRUE(manager.isAppAllowed("FaceTime", "Camera"));
    EXPECT_TRUE(manager.isAppAllowed("my_app", "Microphone"));
    EXPECT_FALSE(manager.isAppAllowed("my_app", "Camera"));
    EXPECT_FALSE(manager.isAppAllowed("NoUnderscore", "Camera"));
    // A name that is part of a longer entry is covered too.
    EXPECT_TRUE(manager.isAppAllowed("Chrome", "Camera"));
    EXPECT_FALSE(manager.isAppAllowed("Cheese", "Camera"));
}

TEST_F(AllowedAppsManagerTest, AnEmptyNameMatchesNothing) {
    manager.saveAllowedApps({{"_Camera", {{"processName", ""}, {"device", "Camera"}}},
                             {"Zoom_Camera", {{"processName", "Zoom"}, {"device", "Camera"}}}});
    EXPECT_FALSE(manager.isAppAllowed("Cheese", "Camera"));
    EXPECT_FALSE(manager.isAppAllowed("", "Camera"));
    EXPECT_FALSE(manager.isAppAllowed(std::nullopt, "", "Camera"));
    EXPECT_TRUE(manager.isAppAllowed("Zoom", "Camera"));
}

TEST_F(AllowedAppsManagerTest, BundleRuleNeedsTheExactIdentifierAndTheDevice) {
    manager.addApp("org.gnome.Cheese", "Cheese", "Camera");
    EXPECT_TRUE(log.contains(
        "📱 [AllowedAppsManager] Adding app: Cheese for Camera with bundle: org.gnome.Cheese"));
    EXPECT_TRUE(log.contains("📱 [AllowedAppsManager] App added successfully. Total apps: 1"));

    EXPECT_TRUE(manager.isAppAllowed(QString("org.gnome.Cheese"), "webcam-tool", "Camera"));
    EXPECT_FALSE(manager.isAppAllowed(QString("org.gnome.cheese"), "webcam-tool", "Camera"));
    EXPECT_FALSE(manager.isAppAllowed(QString("org.gnome.Cheese"), "webcam-tool", "Microphone"));
    // Without an identifier only the name rule answers.
    EXPECT_TRUE(manager.isAppAllowed(std::nullopt, "cheese", "Camera"));
    EXPECT_FALSE(manager.isAppAllowed(std::nullopt, "webcam-tool", "Camera"));

    // Records whose fields have the wrong type never match the bundle rule.
    manager.saveAllowedApps(
        {{"Other_Camera",
          {{"processName", "Other"}, {"bundleIdentifier", 7}, {"device", "Camera"}}},
         {"Tool_Camera", {{"processName", "Tool"}, {"bundleIdentifier", "org.example.Tool"}}}});
    EXPECT_FALSE(manager.isAppAllowed(QString("7"), "nothing", "Camera"));
    EXPECT_FALSE(manager.isAppAllowed(QString("org.example.Tool"), "nothing", "Camera"));
}

TEST_F(AllowedAppsManagerTest, EntriesAreStoredOnDiskAndReplacedByKey) {
    EXPECT_TRUE(manager.getAllowedAppsForDisplay().isEmpty());
    EXPECT_TRUE(log.contains(
        "📱 [AllowedAppsManager] getAllowedAppsForDisplay() returning 0 apps for display"));
    EXPECT_FALSE(manager.isAppAllowed("Zoom", "Camera"));

    manager.addApp("Zoom", "Camera");
    clock = clock.addSecs(60);
    manager.addApp("Zoom", "Camera");

    const AllowedApps apps = manager.getAllowedApps();
    ASSERT_EQ(apps.keys(), QStringList{"Zoom_Camera"});
    const QVariantMap record = apps.value("Zoom_Camera");
    EXPECT_EQ(record.value("processName"), QVariant("Zoom"));
    EXPECT_EQ(record.value("device"), QVariant("Camera"));
    EXPECT_FALSE(record.contains("bundleIdentifier"));
    EXPECT_EQ(record.value("dateAdded").metaType().id(), QMetaType::QDateTime);
    EXPECT_EQ(record.value("dateAdded").toDateTime(), clock);
    EXPECT_TRUE(
        log.contains("📱 [AllowedAppsManager] Saved to UserDefaults. Keys: [\"Zoom_Camera\"]"));
    EXPECT_TRUE(
        log.contains("📱 [AllowedAppsManager] Verification - retrieved 1 apps from UserDefaults"));

    // Saved at once: the file holds the list right after the call.
    QFile file(settings.fileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("OstrelAllowedApps"));
}

TEST_F(AllowedAppsManagerTest, OneDamagedEntryDoesNotEraseTheList) {
    settings.setValue(
        AllowedAppsManager::allowedAppsKey,
        QVariantMap{{"Zoom_Camera", QVariantMap{{"processName", "Zoom"}, {"device", "Camera"}}},
                    {"Broken_Camera", QString("not a record")}});
    EXPECT_EQ(manager.getAllowedApps().keys(), QStringList{"Zoom_Camera"});
    EXPECT_TRUE(log.contains(
        "⚠️ [AllowedAppsManager] Skipping damaged allowed app entry: Broken_Camera"));

    manager.addApp("Slack", "Microphone");
    EXPECT_EQ(manager.getAllowedApps().keys(), (QStringList{"Slack_Microphone", "Zoom_Camera"}));

    settings.setValue(AllowedAppsManager::allowedAppsKey, QString("garbage"));
    EXPECT_TRUE(manager.getAllowedApps().isEmpty());
    EXPECT_TRUE(log.contains(
        "⚠️ [AllowedAppsManager] Stored allowed apps are not a dictionary - reading none"));
}

TEST_F(AllowedAppsManagerTest, ASaveThatDoesNotReachTheDiskIsNotVerified) {
    // A folder that cannot be created: its parent is a file.
    QFile blocker(root.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QSettings unwritable(root.filePath("blocker/Ostrel.conf"), QSettings::IniFormat);
    AllowedAppsManager failing(unwritable);

    failing.addApp("Zoom", "Camera");
    EXPECT_TRUE(log.contains("❌ [AllowedAppsManager] Allowed apps were not saved: the "
                             "preferences file cannot be written"));
    EXPECT_EQ(log.countStartingWith("📱 [AllowedAppsManager] Verification"), 0);
}
