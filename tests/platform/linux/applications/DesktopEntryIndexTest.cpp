#include "platform/linux/applications/DesktopEntryIndex.h"

#include "ApplicationFixtures.h"
#include "platform/linux/applications/KeyFile.h"
#include "platform/linux/applications/LaunchCommand.h"
#include "platform/linux/applications/LocaleKeys.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace ostrel;

namespace {

QString idOf(const DesktopEntry* entry) {
    return entry ? entry->id : QStringLiteral("<none>");
}

void writeEntry(const QString& path, const QByteArray& name) {
    writeFile(path, "[Desktop Entry]\nType=Application\nName=" + name + "\n");
}

// Sets the folders' times an hour back, as if they had not changed for long.
void settle(const QStringList& folders) {
    for (const QString& folder : folders) {
        timespec times[2]{};
        ::clock_gettime(CLOCK_REALTIME, &times[0]);
        times[0].tv_sec -= 3600;
        times[1] = times[0];
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(folder).constData(), times, 0), 0);
    }
}

} // namespace

TEST(KeyFileTest, ResolvesEscapesListsAndRepeatedKeys) {
    const KeyFile file = KeyFile::parse("[G]\n"
                                        "List=a;b\\;c;;d\n"
                                        "Escaped=\\\\s\\s\\n\n"
                                        "Spaced  =   value \n"
                                        "Twice=first\n"
                                        "Twice=second\n");
    EXPECT_EQ(file.listValue("G", "List"), (QStringList{"a", "b;c", "", "d"}));
    EXPECT_EQ(file.value("G", "Escaped"), QStringLiteral("\\s \n"));
    EXPECT_EQ(file.value("G", "Spaced"), QStringLiteral("value "));
    EXPECT_EQ(file.value("G", "Twice"), QStringLiteral("second"));
    EXPECT_EQ(file.value("Other", "Twice"), std::nullopt);
    EXPECT_TRUE(file.listValue("G", "Missing").isEmpty());
}

TEST(LocaleKeysTest, TriesCountryAndModifierBeforeTheBareLanguage) {
    EXPECT_EQ(localeKeysFor("de_DE.UTF-8@euro"),
              (QStringList{"de_DE@euro", "de_DE", "de@euro", "de"}));
    EXPECT_EQ(localeKeysFor("fr_FR.UTF-8"), (QStringList{"fr_FR", "fr"}));
    EXPECT_EQ(localeKeysFor("sr@latin"), (QStringList{"sr@latin", "sr"}));
    EXPECT_TRUE(localeKeysFor("C.UTF-8").isEmpty());
    EXPECT_TRUE(localeKeysFor("POSIX").isEmpty());
    EXPECT_TRUE(localeKeysFor("").isEmpty());
}

TEST(LaunchCommandTest, FindsTheProgramBehindWrappersShellsAndInterpreters) {
    // A running script is the program of an interpreter.
    EXPECT_EQ(LaunchCommand::scriptName({"python3", "-u", "/usr/bin/meld", "a.txt"}), "meld");
    EXPECT_EQ(LaunchCommand::scriptName({"/bin/bash", "/usr/bin/launcher.sh"}), "launcher.sh");
    EXPECT_EQ(LaunchCommand::scriptName({"/bin/sh", "-c", "tool --x"}), "");
    EXPECT_EQ(LaunchCommand::scriptName({"/usr/bin/cheese", "/tmp/x"}), "");
    EXPECT_EQ(LaunchCommand::scriptName({"python3"}), "");
    EXPECT_EQ(LaunchCommand::scriptName({}), "");

    const auto program = [](const QString& execLine) {
        return LaunchCommand::fileName(
            LaunchCommand::programPath(LaunchCommand::splitExecLine(execLine)));
    };
    EXPECT_EQ(program("/usr/bin/cheese %U"), "cheese");
    EXPECT_EQ(program("env GDK_BACKEND=x11 FOO=1 /opt/app/bin/app --flag %f"), "app");
    EXPECT_EQ(program("python3 -u /usr/bin/meld %F"), "meld");
    EXPECT_EQ(program("/usr/bin/python3.11 /usr/share/tool/tool.py"), "tool.py");
    EXPECT_EQ(program("sh -c \"exec /usr/bin/editor --new \\\"$1\\\"\" sh %f"), "editor");
    EXPECT_EQ(program("\"/opt/My App/run app\" --x"), "run app");
    EXPECT_EQ(program("flatpak run org.example.App"), "");
    EXPECT_EQ(program("xdg-open https://example.org"), "");
    EXPECT_EQ(program("env"), "");
    EXPECT_EQ(program("env env foo"), "foo");
    EXPECT_EQ(program("env env env env foo"), ""); // nested deeper than any real entry
    EXPECT_EQ(program(""), "");
    EXPECT_EQ(LaunchCommand::splitExecLine("a \"b c\" %U 100%% \"\""),
              (QStringList{"a", "b c", "100%", ""}));
}

TEST(DesktopEntryIndexTest, EarlierDataDirWinsHiddenDeletesAndNonApplicationsAreSkipped) {
    const DesktopEntryIndex index(fixtureDataDirs(), {});
    const DesktopEntry* cheese = index.entry("org.gnome.Cheese");
    ASSERT_NE(cheese, nullptr);
    EXPECT_EQ(cheese->name, QStringLiteral("My Cheese"));
    EXPECT_EQ(cheese->icon, "user-cheese");
    EXPECT_EQ(cheese->path, kFixtures + "/data-home/applications/org.gnome.Cheese.desktop");

    // Deleted in the earlier data dir, so the later copy does not come back.
    EXPECT_EQ(index.entry("hidden-app"), nullptr);
    // Subfolders add their name to the id.
    EXPECT_EQ(idOf(index.entry("vendor-tool")), "vendor-tool");
    for (const char* notApplications : {"link", "not-an-entry", "empty", "binary"}) {
        EXPECT_EQ(index.entry(notApplications), nullptr) << notApplications;
    }
    const DesktopEntry* helper = index.entry("org.example.Helper");
    ASSERT_NE(helper, nullptr);
    EXPECT_TRUE(helper->noDisplay);
    EXPECT_EQ(index.entry("org.example.Recorder")->flatpakId, "org.example.Recorder");

    // An odd file keeps what is valid.
    const DesktopEntry* odd = index.entry("odd");
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->name, QString(" Odd\tName ") + QChar(QChar::ReplacementCharacter));
    EXPECT_EQ(odd->program, "odd-tool");
    EXPECT_EQ(odd->icon, "odd"); // the key under the broken header belongs to no group
    EXPECT_TRUE(odd->noDisplay);
}

TEST(DesktopEntryIndexTest, NamesFollowTheUsersLanguage) {
    const auto editorName = [](const QString& locale) {
        const DesktopEntryIndex index(fixtureDataDirs(), localeKeysFor(locale));
        return index.entry("org.example.Editor")->name.value_or("<none>");
    };
    EXPECT_EQ(editorName("de_DE.UTF-8"), "Bearbeiter (Deutschland)");
    EXPECT_EQ(editorName("de_AT.UTF-8"), "Bearbeiter");
    EXPECT_EQ(editorName("fr_FR.UTF-8"), QString::fromUtf8("Éditeur"));
    EXPECT_EQ(editorName("C"), "Editor");
    // The [Desktop Action] group has a Name of its own; it is not the application's.
    EXPECT_EQ(editorName("en_US.UTF-8"), "Editor");
}

TEST(DesktopEntryIndexTest, MatchesProgramsByExecThenWindowClass) {
    const DesktopEntryIndex index(fixtureDataDirs(), {});
    EXPECT_EQ(idOf(index.entryForProgram("cheese")), "org.gnome.Cheese");
    EXPECT_EQ(idOf(index.entryForProgram("example-editor")), "org.example.Editor");
    EXPECT_EQ(idOf(index.entryForProgram("ExampleViewer")), "org.example.Viewer");
    EXPECT_EQ(idOf(index.entryForProgram("wrapped-tool")), "shell-wrapped");
    EXPECT_EQ(idOf(index.entryForProgram("example-helper")), "org.example.Helper");
    // A terminal program, a deleted entry, generic programs and unknown names match nothing.
    for (const char* name : {"htop", "hidden-app", "python3", "flatpak", "env", "nothing"}) {
        EXPECT_EQ(index.entryForProgram(name), nullptr) << name;
    }
}

TEST(DesktopEntryIndexTest, ReloadsOnlyWhenAnApplicationsFolderChanged) {
    QTemporaryDir home;
    QTemporaryDir system;
    const QString systemFolder = system.path() + "/applications";
    const QString homeFolder = home.path() + "/applications";
    ASSERT_TRUE(QDir().mkpath(systemFolder));
    writeEntry(systemFolder + "/first.desktop", "First");
    settle({systemFolder});
    DesktopEntryIndex index({home.path(), system.path()}, {});
    ASSERT_NE(index.entry("first"), nullptr);

    index.reloadIfChanged();
    EXPECT_EQ(index.loadCount(), 1);

    writeEntry(systemFolder + "/second.desktop", "Second");
    index.reloadIfChanged();
    EXPECT_EQ(index.loadCount(), 2);
    EXPECT_NE(index.entry("second"), nullptr);
    // Loaded right after a change, the folder is looked at once more before it counts as
    // settled; then an unchanged folder costs no load.
    settle({systemFolder});
    index.reloadIfChanged();
    index.reloadIfChanged();
    EXPECT_EQ(index.loadCount(), 3);

    // A folder that did not exist at first, then a subfolder filled later.
    ASSERT_TRUE(QDir().mkpath(homeFolder + "/sub"));
    settle({homeFolder, homeFolder + "/sub"});
    index.reloadIfChanged();
    EXPECT_EQ(index.loadCount(), 4);
    writeEntry(homeFolder + "/sub/third.desktop", "Third");
    index.reloadIfChanged();
    EXPECT_NE(index.entry("sub-third"), nullptr);

    ASSERT_TRUE(QFile::remove(systemFolder + "/first.desktop"));
    index.reloadIfChanged();
    EXPECT_EQ(index.entry("first"), nullptr);
}
