#include "platform/linux/camera/CameraNodeLister.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace ostrel;

// In the sys tree, video0 has a name, video1 a blank one, video2 none at all, video10 one with
// spaces around.
TEST(CameraNodeListerTest, ListsVideoNodesInNaturalOrderWithTheirNames) {
    const QString sys = QStringLiteral(OSTREL_CAMERA_FIXTURES "/sys");
    QTemporaryDir temp;
    const QString dev = temp.filePath("dev");
    ASSERT_TRUE(QDir().mkpath(dev + "/video9")); // a folder is no node
    for (const char* name : {"video10", "video2", "video0", "video1", "video", "vbi0", "media0"}) {
        ASSERT_TRUE(QFile(dev + '/' + name).open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QFile::link(dev + "/video0", dev + "/video-front")); // an alias
    ASSERT_EQ(::mkfifo(QFile::encodeName(dev + "/video8").constData(), 0600), 0);

    // Reached through a link, the folder is named as the links of a proc fd folder name it.
    ASSERT_TRUE(QFile::link(dev, temp.filePath("dev-link")));
    const CameraNodeLister lister(temp.filePath("dev-link"), sys);
    const QString real = QFileInfo(dev).canonicalFilePath();
    EXPECT_EQ(lister.list(), (std::vector<CameraNode>{
                                 {real + "/video0", "Integrated Camera: Integrated C", ""},
                                 {real + "/video1", "video1", ""},
                                 {real + "/video2", "video2", ""},
                                 {real + "/video10", "USB 2.0 Camera", ""},
                             }));

    EXPECT_TRUE(CameraNodeLister(temp.filePath("missing"), sys).list().empty());
    // Without the sys tree every node is named after itself.
    EXPECT_EQ(CameraNodeLister(dev, temp.filePath("no-sys")).list().at(0),
              (CameraNode{real + "/video0", "video0", ""}));
}
