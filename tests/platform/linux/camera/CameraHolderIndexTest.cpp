#include "platform/linux/camera/CameraHolderIndex.h"

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

// 100 holds video0 twice and video1; 101 holds only look-alikes; 102's fd is a file, 103's a
// dangling link, 104 has no fd folder (it vanished); 105 is Ostrel; 200 holds video1. The
// entries 0, -7, 12abc, 99999999999 and self are not processes.
const QString kProcRoot = QStringLiteral(OSTREL_CAMERA_FIXTURES "/proc");
const QString kVideo0 = QStringLiteral("/dev/video0");
const QString kVideo1 = QStringLiteral("/dev/video1");
constexpr qint32 kOwnPid = 105;

} // namespace

TEST(CameraHolderIndexTest, FindsEachHolderOnceAndWalksOnlyWhenStaleOrGivenOtherNodes) {
    CameraHolderIndex index(kProcRoot, kOwnPid);
    EXPECT_TRUE(index.isStale());
    // Without nodes nothing can be held, and nothing is walked.
    index.refresh();
    EXPECT_EQ(index.walkCount(), 0);
    EXPECT_TRUE(index.holderPids().empty());
    EXPECT_TRUE(index.couldReadProcesses());

    index.setNodePaths({kVideo1, kVideo0});
    index.refresh();
    index.refresh();
    EXPECT_EQ(index.walkCount(), 1);
    EXPECT_EQ(index.holdersOf(kVideo0), (std::vector<qint32>{100}));
    EXPECT_EQ(index.holdersOf(kVideo1), (std::vector<qint32>{100, 200}));
    EXPECT_EQ(index.holderPids(), (std::vector<qint32>{100, 200}));
    EXPECT_TRUE(index.holdersOf("/dev/video7").empty());

    index.setNodePaths({kVideo0, kVideo1, kVideo0}); // the same nodes
    index.refresh();
    EXPECT_EQ(index.walkCount(), 1);
    index.markStale();
    index.refresh();
    EXPECT_EQ(index.walkCount(), 2);
    // Until the next walk, a node that stays keeps its holders.
    index.setNodePaths({kVideo1, "/dev/video7"});
    EXPECT_EQ(index.holdersOf(kVideo1), (std::vector<qint32>{100, 200}));
    EXPECT_TRUE(index.holdersOf(kVideo0).empty());
    index.setNodePaths({kVideo1});
    index.refresh();
    EXPECT_EQ(index.walkCount(), 3);
    EXPECT_EQ(index.holderPids(), (std::vector<qint32>{100, 200}));
    EXPECT_TRUE(index.holdersOf(kVideo0).empty());
}
