#include "platform/linux/session/LinuxFileBrowser.h"

#include "support/CapturedLog.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

// A file manager on the test's session bus that records what it was asked to show.
class FileManagerStub final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QList<QStringList> shownItems;
    QStringList startupIds;

public slots:
    void ShowItems(const QStringList& uris, const QString& startupId) {
        shownItems.append(uris);
        startupIds.append(startupId);
    }
};

// The outcomes of revealFinished, in order.
struct Reveals {
    explicit Reveals(LinuxFileBrowser& browser) {
        QObject::connect(&browser, &LinuxFileBrowser::revealFinished,
                         [this](const QString&, bool byFileManager) {
                             shownByFileManager.append(byFileManager);
                         });
    }
    // Waits within a bound: the answer comes from a real bus.
    bool wait() {
        QDeadlineTimer deadline(10000);
        while (shownByFileManager.isEmpty() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        return !shownByFileManager.isEmpty();
    }
    QList<bool> shownByFileManager;
};

class LinuxFileBrowserTest : public testing::Test {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected()) {
            GTEST_SKIP() << "needs the session bus of scripts/with-test-services";
        }
    }

    LinuxFileBrowser::FolderOpener recordingOpener() {
        return [this](const QUrl& folder) {
            openedFolders.append(folder);
            return true;
        };
    }

    QTemporaryDir root;
    QList<QUrl> openedFolders;
    CapturedLog log;
};

} // namespace

TEST_F(LinuxFileBrowserTest, AsksTheFileManagerToSelectTheFile) {
    QDBusConnection stubBus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "file-manager-stub");
    FileManagerStub stub;
    ASSERT_TRUE(stubBus.registerObject(LinuxFileBrowser::objectPath, &stub,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(stubBus.registerService(LinuxFileBrowser::serviceName));

    LinuxFileBrowser browser(QDBusConnection::sessionBus(), recordingOpener());
    Reveals finished(browser);
    const QString path = root.filePath("Ostrel Activity #1.json");
    browser.revealFile(path);
    ASSERT_TRUE(finished.wait());

    EXPECT_EQ(finished.shownByFileManager, QList<bool>{true});
    ASSERT_EQ(stub.shownItems.size(), 1);
    EXPECT_EQ(stub.shownItems.first(),
              QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)});
    EXPECT_TRUE(stub.shownItems.first().first().endsWith("Ostrel%20Activity%20%231.json"));
    EXPECT_EQ(stub.startupIds.first(), "");
    EXPECT_TRUE(openedFolders.isEmpty());

    stubBus.unregisterService(LinuxFileBrowser::serviceName);
    stubBus.unregisterObject(LinuxFileBrowser::objectPath);
    QDBusConnection::disconnectFromBus("file-manager-stub");
}

TEST_F(LinuxFileBrowserTest, WithoutAFileManagerTheFolderOpens) {
    ASSERT_FALSE(QDBusConnection::sessionBus().interface()->isServiceRegistered(
        LinuxFileBrowser::serviceName));
    LinuxFileBrowser browser(QDBusConnection::sessionBus(), recordingOpener());
    Reveals finished(browser);
    const QString path = root.filePath("activity_logs.json");
    browser.revealFile(path);
    ASSERT_TRUE(finished.wait());

    EXPECT_EQ(finished.shownByFileManager, QList<bool>{false});
    EXPECT_EQ(openedFolders, (QList<QUrl>{QUrl::fromLocalFile(root.path())}));
    EXPECT_EQ(log.countStartingWith("ℹ️ [FileBrowser] The file manager cannot select " + path),
              1);
}

TEST_F(LinuxFileBrowserTest, WithoutABusTheFolderOpensAtOnce) {
    LinuxFileBrowser browser(QDBusConnection(QStringLiteral("never-connected")), recordingOpener());
    Reveals finished(browser);
    browser.revealFile(root.filePath("export.json"));
    EXPECT_EQ(finished.shownByFileManager, QList<bool>{false});
    EXPECT_EQ(openedFolders, (QList<QUrl>{QUrl::fromLocalFile(root.path())}));
}

#include "LinuxFileBrowserTest.moc"
