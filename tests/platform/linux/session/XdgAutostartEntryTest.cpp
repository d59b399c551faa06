#include "platform/linux/session/XdgAutostartEntry.h"

#include "platform/linux/applications/KeyFile.h"
#include "support/CapturedLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

} // namespace

TEST(XdgAutostartEntry, EnablingWritesTheEntryAndDisablingRemovesIt) {
    QTemporaryDir root;
    const QString folder = root.filePath("config/autostart"); // not there yet
    XdgAutostartEntry entry(folder, "/usr/bin/ostrel");
    EXPECT_EQ(entry.entryPath(), folder + "/io.github.Ostrel.desktop");
    EXPECT_FALSE(entry.isEnabled());

    ASSERT_TRUE(entry.setEnabled(true));
    EXPECT_TRUE(entry.isEnabled());
    const KeyFile written = KeyFile::parse(contents(entry.entryPath()));
    EXPECT_EQ(written.value("Desktop Entry", "Exec"), "/usr/bin/ostrel");
    EXPECT_EQ(written.value("Desktop Entry", "Type"), "Application");
    EXPECT_EQ(written.value("Desktop Entry", "Name"), "Ostrel");
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size() == 1); // no leftovers

    ASSERT_TRUE(entry.setEnabled(false));
    EXPECT_FALSE(QFile::exists(entry.entryPath()));
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_TRUE(entry.setEnabled(false)); // nothing to remove is no failure
}

TEST(XdgAutostartEntry, ExecQuotesPathsTheDesktopWouldSplitOrExpand) {
    // Key-file escapes come on top of the Exec quoting: a backslash is written four times.
    EXPECT_TRUE(XdgAutostartEntry::entryText("/opt/My Apps/100%/ost\"rel$\\x")
                    .contains("\nExec=\"/opt/My Apps/100%%/ost\\\\\"rel\\\\$\\\\\\\\x\"\n"));
    EXPECT_TRUE(
        XdgAutostartEntry::entryText("/usr/bin/ostrel").contains("\nExec=/usr/bin/ostrel\n"));
    // A newline in a path must not start a key of its own.
    EXPECT_FALSE(XdgAutostartEntry::entryText("/tmp/a\nHidden=true").contains("\nHidden=true"));
}

TEST(XdgAutostartEntry, AnEntrySwitchedOffInTheDesktopReadsAsOff) {
    QTemporaryDir root;
    XdgAutostartEntry entry(root.path(), "/usr/bin/ostrel");
    write(entry.entryPath(), "[Desktop Entry]\nType=Application\nExec=ostrel\nHidden=true\n");
    EXPECT_FALSE(entry.isEnabled());
    write(entry.entryPath(),
          "[Desktop Entry]\nType=Application\nExec=ostrel\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(entry.isEnabled());
    // Switching it on again replaces the entry with a working one.
    ASSERT_TRUE(entry.setEnabled(true));
    EXPECT_TRUE(entry.isEnabled());
}

TEST(XdgAutostartEntry, AFolderThatCannotBeMadeFailsWithALogLine) {
    QTemporaryDir root;
    write(root.filePath("autostart"), "a file where the folder should be");
    XdgAutostartEntry entry(root.filePath("autostart"), "/usr/bin/ostrel");
    CapturedLog log;
    EXPECT_FALSE(entry.setEnabled(true));
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_EQ(log.countStartingWith("⚠️ [Settings] Could not "), 1);
}
