#include "platform/linux/session/XdgAutostartEntry.h"

#include "platform/linux/applications/KeyFile.h"
#include "support/CapturedLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

TEST(XdgAutostartEntry, EnablingWritesAWorkingEntryAndDisablingRemovesIt) {
    QTemporaryDir root;
    const QString folder = root.filePath("config/autostart"); // not there yet
    XdgAutostartEntry entry(folder, "/usr/bin/ostrel");
    EXPECT_FALSE(entry.isEnabled());
    ASSERT_TRUE(entry.setEnabled(true));
    EXPECT_TRUE(entry.isEnabled());
    QFile written(entry.entryPath());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(KeyFile::parse(written.readAll()).value("Desktop Entry", "Exec"), "/usr/bin/ostrel");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
              QStringList{QFileInfo(written).fileName()}); // no leftovers

    // Switched off in the desktop's own startup settings, it reads as off until switched on
    // again, which replaces it with a working one.
    for (const QByteArray& off :
         {QByteArray("Hidden=true"), QByteArray("X-GNOME-Autostart-enabled=false")}) {
        QFile file(entry.entryPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Desktop Entry]\nType=Application\nExec=ostrel\n" + off + '\n');
        file.close();
        EXPECT_FALSE(entry.isEnabled()) << off.constData();
    }
    ASSERT_TRUE(entry.setEnabled(true));
    EXPECT_TRUE(entry.isEnabled());

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

TEST(XdgAutostartEntry, AFolderThatCannotBeMadeFailsWithALogLine) {
    QTemporaryDir root;
    ASSERT_TRUE(QFile(root.filePath("autostart")).open(QIODevice::WriteOnly)); // not a folder
    XdgAutostartEntry entry(root.filePath("autostart"), "/usr/bin/ostrel");
    const CapturedLog log;
    EXPECT_FALSE(entry.setEnabled(true));
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_EQ(log.countStartingWith("⚠️ [Settings] Could not "), 1);
}
