#include "platform/linux/camera/LinuxCameraSystem.h"

#include "support/ManualRunLoop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

TEST(LinuxCameraSystem, DeviceNumbersComeFromNodeNames) {
    EXPECT_EQ(LinuxCameraSystem::deviceNumber("/dev/video0"), 0u);
    EXPECT_EQ(LinuxCameraSystem::deviceNumber("/dev/video12"), 12u);
    EXPECT_FALSE(LinuxCameraSystem::deviceNumber("/dev/video"));
    EXPECT_FALSE(LinuxCameraSystem::deviceNumber("/dev/videoX"));
    EXPECT_FALSE(LinuxCameraSystem::deviceNumber("/dev/media0"));
}

// Stand-in nodes in a temporary device folder, held open by this very process; the service
// is told Ostrel has another pid so that the test process counts as a holder.
TEST(LinuxCameraSystem, RunningFollowsHoldersAndTheListenerHearsNewNodes) {
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath("dev"));
    QFile video0(root.filePath("dev/video0"));
    QFile video3(root.filePath("dev/video3"));
    ASSERT_TRUE(video0.open(QIODevice::WriteOnly));
    video0.close();
    ASSERT_TRUE(video3.open(QIODevice::WriteOnly));
    video3.close();

    ManualRunLoop loop;
    LinuxCameraService cameras(loop, 1, root.filePath("dev"), root.filePath("sys"), "/proc");
    LinuxCameraSystem system(cameras);
    EXPECT_EQ(system.deviceIds().value, (std::vector<quint32>{0, 3}));
    EXPECT_EQ(system.deviceName(3), "video3");
    EXPECT_FALSE(system.isDeviceRunning(3).value);
    EXPECT_FALSE(system.isDeviceRunning(7).ok());

    ASSERT_TRUE(video3.open(QIODevice::ReadOnly));
    auto settle = [&](auto done) {
        const QDeadlineTimer deadline(5000);
        while (!done() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            loop.runPending();
        }
    };
    settle([&] { return system.isDeviceRunning(3).value; });
    EXPECT_TRUE(system.isDeviceRunning(3).value);
    EXPECT_FALSE(system.isDeviceRunning(0).value);

    int listChanges = 0;
    system.addDeviceListListener([&](quint32, const std::vector<CameraSystemChange>& changes) {
        listChanges +=
            changes.size() == 1 && changes[0].kind == CameraSystemChange::Kind::DeviceList;
    });
    QFile video5(root.filePath("dev/video5"));
    ASSERT_TRUE(video5.open(QIODevice::WriteOnly));
    video5.close();
    settle([&] {
        cameras.nodes();
        return listChanges > 0;
    });
    EXPECT_EQ(listChanges, 1);
    system.removeDeviceListListener();
}
