#include "platform/linux/applications/InstalledApplications.h"

#include "ApplicationFixtures.h"
#include "platform/linux/applications/InfoPlistReader.h"
#include "platform/linux/applications/LinuxApplicationDescriber.h"
#include "support/CapturedLog.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

const QString kRecorderDirectory = kFixtures + "/flatpak/app/org.example.Recorder/current/active";
const QString kQuietDirectory = kFixtures + "/flatpak/app/org.example.Quiet/current/active";
const QString kRecorderEntry =
    kFixtures + "/flatpak/exports/share/applications/org.example.Recorder.desktop";
const QString kCheeseEntry = kFixtures + "/data-home/applications/org.gnome.Cheese.desktop";

class InstalledApplicationsTest : public testing::Test {
protected:
    DesktopEntryIndex entries{fixtureDataDirs(), {}};
    FlatpakInstallations flatpaks{entries.dataDirs()};
    InstalledApplications installed{entries, flatpaks};
};

} // namespace

TEST_F(InstalledApplicationsTest, LocatesApplicationsAndTheirIconsByEntryThenByFlatpakApp) {
    EXPECT_EQ(installed.applicationPath("org.gnome.Cheese"), kCheeseEntry);
    EXPECT_EQ(installed.applicationPath("org.example.Recorder"), kRecorderEntry);
    // No exported entry in the data dirs, but deployed in an installation.
    EXPECT_EQ(installed.applicationPath("org.example.Quiet"), kQuietDirectory);
    for (const char* unknown : {"us.zoom.xos", "", "../../etc", "hidden-app"}) {
        EXPECT_EQ(installed.applicationPath(unknown), std::nullopt) << unknown;
    }

    EXPECT_EQ(installed.iconNameForPath(kCheeseEntry), "user-cheese");
    // A shadowed entry is read on its own.
    EXPECT_EQ(
        installed.iconNameForPath(kFixtures + "/system/applications/org.gnome.Cheese.desktop"),
        "org.gnome.Cheese");
    EXPECT_EQ(installed.iconNameForPath(kRecorderDirectory), "org.example.Recorder");
    EXPECT_EQ(installed.iconNameForPath(kQuietDirectory), "org.example.Quiet");
    EXPECT_EQ(installed.iconNameForPath(kFixtures + "/bundles/Declared.app"), "");
    EXPECT_EQ(installed.iconNameForPath(""), "");
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
    for (const QString& none : {kFixtures + "/flatpak/runtime/org.freedesktop.Platform",
                                kFixtures + "/system/applications/org.gnome.Cheese.desktop",
                                QString(), kFixtures + "/missing"}) {
        EXPECT_EQ(installed.applicationInfo(none), std::nullopt) << none.toStdString();
    }
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
        log.countStartingWith("⚠️ [RunningApplications] Not a readable XML property list"), 2);

    for (const char* refused :
         {"<?xml version=\"1.0\"?>\n<!DOCTYPE plist [<!ENTITY a \"aaaaaaaaaa\">]>\n"
          "<plist><dict><key>k</key><string>&a;</string></dict></plist>",
          "<plist><dict><string>no key</string></dict></plist>",
          "<plist><dict><key>k</key></dict></plist>", "<plist><array/></plist>",
          "<plist><dict/><dict/></plist>",
          "<plist><dict><key>k</key><integer>x</integer></dict></plist>"}) {
        EXPECT_EQ(InfoPlistReader::parse(refused), std::nullopt) << refused;
    }
    EXPECT_EQ(InfoPlistReader::parse("<plist><dict/></plist>"), QVariantMap());
}

TEST(LinuxApplicationDescriberTest, IdentifierIsTheDesktopFileIdAndNameTheLocalizedName) {
    QTemporaryDir root;
    const auto write = [&](const QString& relative, const QByteArray& text) {
        writeFile(root.filePath(relative), text);
        return root.filePath(relative);
    };
    const LinuxApplicationDescriber describer({root.filePath("share")}, {"de_DE", "de"});
    const auto described = [&](const QString& path) {
        const ApplicationDescription description = describer.describe(path);
        return QStringList{description.bundleIdentifier, description.displayName};
    };
    CapturedLog log;

    EXPECT_EQ(described(write("share/applications/org.gnome.Cheese.desktop",
                              "[Desktop Entry]\nType=Application\nName=Cheese\n"
                              "Name[de]=Käse\nExec=cheese\n")),
              (QStringList{"org.gnome.Cheese", "Käse"}));
    // Sub-folders of an applications folder are part of the id; outside every data dir the id
    // is the file name; without a name the file name stands.
    EXPECT_EQ(described(write("share/applications/kde4/okular.desktop",
                              "[Desktop Entry]\nType=Application\nName=Okular\n")),
              (QStringList{"kde4-okular", "Okular"}));
    EXPECT_EQ(described(write("Downloads/com.example.Tool.desktop",
                              "[Desktop Entry]\nName=Example Tool\n")),
              (QStringList{"com.example.Tool", "Example Tool"}));
    EXPECT_EQ(described(write("share/applications/org.example.Recorder.desktop",
                              "[Desktop Entry]\nType=Application\nExec=recorder\n")),
              (QStringList{"org.example.Recorder", "org.example.Recorder"}));

    // Not an application, not a desktop entry, or missing: added by file name only, and said so.
    const QString link = write("share/applications/website.desktop",
                               "[Desktop Entry]\nType=Link\nName=Website\nURL=https://x\n");
    const QString notEntry = write("Downloads/notes.desktop", "just some text\n");
    for (const QString& path : {link, notEntry, root.filePath("Downloads/gone.desktop"),
                                root.filePath("Downloads/script.sh")}) {
        EXPECT_EQ(described(path), (QStringList{"", QFileInfo(path).completeBaseName()}));
    }
    EXPECT_EQ(log.countStartingWith("⚠️ [Applications] "), 4);
}
