#include "platform/linux/applications/LinuxApplicationDescriber.h"

#include "support/CapturedLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

class LinuxApplicationDescriberTest : public testing::Test {
protected:
    QString write(const QString& relative, const QByteArray& text) {
        const QString path = root.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }

    QTemporaryDir root;
    const QString dataDir = root.filePath("share");
    LinuxApplicationDescriber describer{{dataDir}, {"de_DE", "de"}};
    CapturedLog log;
};

} // namespace

TEST_F(LinuxApplicationDescriberTest, ChoosesDesktopEntriesInTheSystemApplicationsFolder) {
    LinuxApplicationDescriber defaults;
    EXPECT_EQ(defaults.applicationsFolder(), "/usr/share/applications");
    EXPECT_EQ(defaults.applicationFileFilters(), (QStringList{"Applications (*.desktop)"}));
}

TEST_F(LinuxApplicationDescriberTest, IdentifierIsTheDesktopFileIdAndNameTheLocalizedName) {
    const QString cheese = write("share/applications/org.gnome.Cheese.desktop",
                                 "[Desktop Entry]\nType=Application\nName=Cheese\n"
                                 "Name[de]=Käse\nExec=cheese\n");
    ApplicationDescription described = describer.describe(cheese);
    EXPECT_EQ(described.bundleIdentifier, "org.gnome.Cheese");
    EXPECT_EQ(described.displayName, "Käse");

    // Sub-folders of an applications folder are part of the id.
    const QString nested = write("share/applications/kde4/okular.desktop",
                                 "[Desktop Entry]\nType=Application\nName=Okular\n");
    EXPECT_EQ(describer.describe(nested).bundleIdentifier, "kde4-okular");

    // Outside every data dir the id is the file name.
    const QString elsewhere =
        write("Downloads/com.example.Tool.desktop", "[Desktop Entry]\nName=Example Tool\n");
    described = describer.describe(elsewhere);
    EXPECT_EQ(described.bundleIdentifier, "com.example.Tool");
    EXPECT_EQ(described.displayName, "Example Tool");
}

TEST_F(LinuxApplicationDescriberTest, WithoutANameTheFileNameStands) {
    const QString nameless = write("share/applications/org.example.Recorder.desktop",
                                   "[Desktop Entry]\nType=Application\nExec=recorder\n");
    ApplicationDescription described = describer.describe(nameless);
    EXPECT_EQ(described.bundleIdentifier, "org.example.Recorder");
    EXPECT_EQ(described.displayName, "org.example.Recorder");

    // Not an application, not a desktop entry, or missing: added by file name only.
    const QString link = write("share/applications/website.desktop",
                               "[Desktop Entry]\nType=Link\nName=Website\nURL=https://x\n");
    const QString notEntry = write("Downloads/notes.desktop", "just some text\n");
    for (const QString& path : {link, notEntry, root.filePath("Downloads/gone.desktop"),
                                root.filePath("Downloads/script.sh")}) {
        described = describer.describe(path);
        EXPECT_TRUE(described.bundleIdentifier.isEmpty()) << path.toStdString();
        EXPECT_EQ(described.displayName, QFileInfo(path).completeBaseName());
    }
    EXPECT_EQ(log.countStartingWith("⚠️ [Applications] "), 4);
}
