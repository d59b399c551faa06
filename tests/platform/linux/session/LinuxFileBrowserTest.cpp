#include "platform/linux/session/LinuxFileBrowser.h"

#include "support/CapturedLog.h"
#include "support/RunUntil.h"

#include <QDBusConnectionInterface>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

// A file manager on the test's session bus that records what it was asked to show.
class FileManagerStub final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QList<QStringList> calls; // the items to show, then the startup id

public slots:
    void ShowItems(const QStringList& uris, const QString& startupId) {
        calls.append(uris + QStringList{startupId});
    }
};

} // namespace

TEST(LinuxFileBrowserTest, AsksTheFileManagerToSelectTheFileElseOpensItsFolder) {
    const CapturedLog log;
    QTemporaryDir root;
    const QString path = root.filePath("Ostrel Activity #1.json");
    const QUrl folder = QUrl::fromLocalFile(root.path());
    // Reveals the file and hands back the folders opened instead and every outcome reported:
    // whether the file manager showed it.
    const auto reveal = [&](const QDBusConnection& bus) {
        QList<QUrl> opened;
        QList<bool> shown;
        LinuxFileBrowser browser(bus, [&](const QUrl& url) {
            opened.append(url);
            return true;
        });
        QObject::connect(&browser, &LinuxFileBrowser::revealFinished,
                         [&](const QString&, bool byFileManager) { shown.append(byFileManager); });
        browser.revealFile(path);
        EXPECT_TRUE(runUntil([&] { return !shown.isEmpty(); }));
        return std::pair{opened, shown};
    };

    EXPECT_EQ(reveal(QDBusConnection::sessionBus()), std::pair(QList{folder}, QList{false}));
    EXPECT_EQ(log.countStartingWith("ℹ️ [FileBrowser] The file manager cannot select " + path),
              1);
    EXPECT_EQ(reveal(QDBusConnection("never-connected")), std::pair(QList{folder}, QList{false}));

    QDBusConnection stubBus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "file-manager-stub");
    FileManagerStub stub;
    ASSERT_TRUE(stubBus.registerObject(LinuxFileBrowser::objectPath, &stub,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(stubBus.registerService(LinuxFileBrowser::serviceName));
    EXPECT_EQ(reveal(QDBusConnection::sessionBus()), std::pair(QList<QUrl>{}, QList{true}));
    EXPECT_EQ(stub.calls,
              (QList<QStringList>{
                  {folder.toString(QUrl::FullyEncoded) + "/Ostrel%20Activity%20%231.json", ""}}));
    QDBusConnection::disconnectFromBus("file-manager-stub");
}

#include "LinuxFileBrowserTest.moc"
