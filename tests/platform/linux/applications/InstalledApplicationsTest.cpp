#include "platform/linux/applications/InstalledApplications.h"

#include "QtPrinters.h"
#include "detection/ProcessOperations.h"
#include "platform/linux/applications/InfoPlistReader.h"
#include "platform/linux/applications/LinuxRunningApplications.h"
#include "support/CapturedLog.h"
#include "support/FakeProcessServices.h"
#include "support/ManualRunLoop.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

const QString kFixtures = QDir::cleanPath(QStringLiteral(OSTREL_APPLICATION_FIXTURES));
const QString kRecorderDirectory = kFixtures + "/flatpak/app/org.example.Recorder/current/active";
const QString kQuietDirectory = kFixtures + "/flatpak/app/org.example.Quiet/current/active";
const QString kRecorderEntry =
    kFixtures + "/flatpak/exports/share/applications/org.example.Recorder.desktop";

QStringList fixtureDataDirs() {
    return {kFixtures + "/data-home", kFixtures + "/system", kFixtures + "/snapd",
            kFixtures + "/flatpak/exports/share"};
}

class InstalledApplicationsTest : public testing::Test {
protected:
    DesktopEntryIndex entries{fixtureDataDirs(), {}};
    FlatpakInstallations flatpaks{entries.dataDirs()};
    InstalledApplications installed{entries, flatpaks};
};

} // namespace

TEST_F(InstalledApplicationsTest, LocatesApplicationsByEntryThenByFlatpakApp) {
    EXPECT_EQ(installed.applicationPath("org.gnome.Cheese"),
              kFixtures + "/data-home/applications/org.gnome.Cheese.desktop");
    EXPECT_EQ(installed.applicationPath("org.example.Recorder"), kRecorderEntry);
    // No exported entry in the data dirs, but deployed in an installation.
    EXPECT_EQ(installed.applicationPath("org.example.Quiet"), kQuietDirectory);
    for (const char* unknown : {"us.zoom.xos", "", "../../etc", "hidden-app"}) {
        EXPECT_EQ(installed.applicationPath(unknown), std::nullopt) << unknown;
    }
}

TEST_F(InstalledApplicationsTest, FlatpakMetadataDeclaresCameraAndMicrophone) {
    const QVariantMap both{
        {"NSCameraUsageDescription", QStringLiteral("Flatpak permission devices=all")},
        {"NSMicrophoneUsageDescription", QStringLiteral("Flatpak permission sockets=pulseaudio")}};
    EXPECT_EQ(installed.applicationInfo(kRecorderDirectory), both);
    EXPECT_EQ(installed.applicationInfo(kRecorderEntry), both);
    // A Flatpak app without those permissions carries information that declares nothing; a
    // removed permission ("!pulseaudio") is no declaration.
    EXPECT_EQ(installed.applicationInfo(kQuietDirectory), QVariantMap());
    EXPECT_EQ(installed.applicationInfo(kFixtures + "/flatpak/runtime/org.freedesktop.Platform"),
              std::nullopt);
    EXPECT_EQ(
        installed.applicationInfo(kFixtures + "/system/applications/org.gnome.Cheese.desktop"),
        std::nullopt);
    EXPECT_EQ(installed.applicationInfo(""), std::nullopt);
    EXPECT_EQ(installed.applicationInfo(kFixtures + "/missing"), std::nullopt);
}

TEST_F(InstalledApplicationsTest, InfoPlistGivesStringsBooleansAndNumbersOnly) {
    const std::optional<QVariantMap> declared =
        installed.applicationInfo(kFixtures + "/bundles/Declared.app");
    ASSERT_TRUE(declared.has_value());
    EXPECT_EQ(declared->value("NSCameraUsageDescription"),
              QVariant(QStringLiteral("Declared uses the camera & more.")));
    EXPECT_EQ(declared->value("com.apple.security.device.audio-input"), QVariant(true));
    EXPECT_EQ(declared->value("LSMinimumSystemVersion"), QVariant(qlonglong(11)));
    EXPECT_EQ(declared->value("CFBundleName"), QVariant(QStringLiteral("Declared")));
    EXPECT_FALSE(declared->contains("CFBundleDocumentTypes"));
    EXPECT_FALSE(declared->contains("CFBundleTypeName")); // nested keys stay nested

    const std::optional<QVariantMap> stringFlag =
        installed.applicationInfo(kFixtures + "/bundles/StringFlag.app");
    ASSERT_TRUE(stringFlag.has_value());
    EXPECT_EQ(stringFlag->value("com.apple.security.device.audio-input").typeId(),
              QMetaType::QString);
    EXPECT_EQ(stringFlag->value("Disabled"), QVariant(false));

    CapturedLog log;
    EXPECT_EQ(installed.applicationInfo(kFixtures + "/bundles/Broken.app"), std::nullopt);
    EXPECT_EQ(installed.applicationInfo(kFixtures + "/bundles/Binary.app"), std::nullopt);
    EXPECT_EQ(
        log.countStartingWith("⚠️ [RunningApplications] Not a readable XML property list: "),
        2);
}

TEST(InfoPlistReaderTest, RefusesEntitiesAndMalformedStructure) {
    EXPECT_EQ(
        InfoPlistReader::parse("<?xml version=\"1.0\"?>\n"
                               "<!DOCTYPE plist [<!ENTITY a \"aaaaaaaaaa\">]>\n"
                               "<plist><dict><key>k</key><string>&a;</string></dict></plist>"),
        std::nullopt);
    EXPECT_EQ(InfoPlistReader::parse("<plist><dict><string>no key</string></dict></plist>"),
              std::nullopt);
    EXPECT_EQ(InfoPlistReader::parse("<plist><dict><key>k</key></dict></plist>"), std::nullopt);
    EXPECT_EQ(InfoPlistReader::parse("<plist><array/></plist>"), std::nullopt);
    EXPECT_EQ(InfoPlistReader::parse("<plist><dict/><dict/></plist>"), std::nullopt);
    EXPECT_EQ(InfoPlistReader::parse("<plist><dict><key>k</key><integer>x</integer></dict>"
                                     "</plist>"),
              std::nullopt);
    EXPECT_EQ(InfoPlistReader::parse("<plist><dict/></plist>"), QVariantMap());
}

TEST_F(InstalledApplicationsTest, IconsComeFromTheEntryAtThePath) {
    EXPECT_EQ(
        installed.iconNameForPath(kFixtures + "/data-home/applications/org.gnome.Cheese.desktop"),
        "user-cheese");
    // A shadowed entry is read on its own.
    EXPECT_EQ(
        installed.iconNameForPath(kFixtures + "/system/applications/org.gnome.Cheese.desktop"),
        "org.gnome.Cheese");
    EXPECT_EQ(installed.iconNameForPath(kRecorderDirectory), "org.example.Recorder");
    EXPECT_EQ(installed.iconNameForPath(kQuietDirectory), "org.example.Quiet");
    EXPECT_EQ(installed.iconNameForPath(kFixtures + "/bundles/Declared.app"), "");
    EXPECT_EQ(installed.iconNameForPath(""), "");
}

// The detector reads declarations through its own rule; the keys must be the ones it knows.
TEST(InstalledApplicationsDeclarationTest, DetectorRuleSeesTheDeclarations) {
    CapturedLog log;
    ManualRunLoop loop;
    LinuxRunningApplications applications(loop, 100, kFixtures + "/proc", fixtureDataDirs(),
                                          nullptr, std::nullopt);
    FakeProcessServices processes;
    ProcessOperations operations(applications, processes);
    EXPECT_TRUE(
        operations.hasMediaUsageDeclaration(operations.applicationPath("org.example.Recorder")));
    EXPECT_TRUE(operations.hasMediaUsageDeclaration(kRecorderDirectory));
    EXPECT_FALSE(
        operations.hasMediaUsageDeclaration(operations.applicationPath("org.example.Quiet")));
    EXPECT_FALSE(
        operations.hasMediaUsageDeclaration(operations.applicationPath("org.gnome.Cheese")));
    EXPECT_TRUE(operations.hasMediaUsageDeclaration(kFixtures + "/bundles/Declared.app"));
    EXPECT_FALSE(operations.hasMediaUsageDeclaration(kFixtures + "/bundles/StringFlag.app"));
    EXPECT_FALSE(operations.hasMediaUsageDeclaration(operations.applicationPath("unknown.app")));
}
