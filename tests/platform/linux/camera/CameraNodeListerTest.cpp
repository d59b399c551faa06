#include "platform/linux/camera/CameraNodeLister.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace ostrel;

namespace {

// video0 has a name, video1 a blank one, video2 none at all, video10 one with spaces around.
const QString kSysRoot = QStringLiteral(OSTREL_CAMERA_FIXTURES "/sys");

void touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

} // namespace

TEST(CameraNodeListerTest, ListsVideoNodesInNaturalOrderWithTheirNames) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString dev = temp.filePath("dev");
    ASSERT_TRUE(QDir().mkpath(dev + "/video9")); // a folder is no node
    for (const char* name : {"video10", "video2", "video0", "video1", "video", "vbi0", "media0"}) {
        touch(dev + '/' + name);
    }
    ASSERT_TRUE(QFile::link(dev + "/video0", dev + "/video-front")); // an alias
    ASSERT_EQ(::mkfifo(QFile::encodeName(dev + "/video8").constData(), 0600), 0);

    // Reached through a link, the folder is named as the links of a proc fd folder name it.
    ASSERT_TRUE(QFile::link(dev, temp.filePath("dev-link")));
    const CameraNodeLister lister(temp.filePath("dev-link"), kSysRoot);
    const QString real = QFileInfo(dev).canonicalFilePath();
    EXPECT_EQ(lister.deviceFolder(), real);

    const std::vector<CameraNode> expected{
        {real + "/video0", "Integrated Camera: Integrated C"},
        {real + "/video1", "video1"},
        {real + "/video2", "video2"},
        {real + "/video10", "USB 2.0 Camera"},
    };
    EXPECT_EQ(lister.list(), expected);
}

TEST(CameraNodeListerTest, MissingFoldersGiveNoNodesAndNodeNames) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    EXPECT_TRUE(CameraNodeLister(temp.filePath("missing"), kSysRoot).list().empty());

    touch(temp.filePath("video0"));
    const std::vector<CameraNode> nodes =
        CameraNodeLister(temp.path(), temp.filePath("no-sys")).list();
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0].displayName, "video0");
}
