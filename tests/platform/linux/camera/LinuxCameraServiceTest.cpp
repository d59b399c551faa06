#include "platform/linux/camera/LinuxCameraService.h"

#include "platform/linux/camera/LinuxCameraSystem.h"
#include "support/CapturedLog.h"
#include "support/ManualRunLoop.h"
#include "support/RunUntil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ostrel;

namespace {

// The camera authorization an ordinary user gets: run as root, it is asked as nobody (only the
// effective ids switch, so they can switch back). Empty when the switch is not allowed.
std::optional<AuthorizationStatus> statusAsNobody(LinuxCameraService& cameras) {
    constexpr uid_t kNobody = 65534;
    const bool root = ::geteuid() == 0;
    if (root && (::setegid(kNobody) != 0 || ::seteuid(kNobody) != 0)) {
        [[maybe_unused]] const int group = ::setegid(0);
        return std::nullopt;
    }
    const AuthorizationStatus status = cameras.authorizationStatus();
    if (root) {
        [[maybe_unused]] const int user = ::seteuid(0);
        [[maybe_unused]] const int group = ::setegid(0);
    }
    return status;
}

// Watches a temporary device folder, whose regular files stand for camera nodes, and counts what
// the service tells its observers. Unless told otherwise the service takes another process for
// Ostrel, so a node this test opens is held by "another application".
class LinuxCameraServiceTest : public testing::Test, public CameraObserver {
protected:
    void cameraConnected() override { ++connected; }
    void cameraDisconnected() override { ++disconnected; }
    void cameraUsageMayHaveChanged() override { ++usageChecks; }

    QString node(const QString& name) const { return dev + '/' + name; }
    void add(const QString& name, mode_t mode = 0666) const {
        QFile file(node(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(::chmod(QFile::encodeName(file.fileName()).constData(), mode), 0);
    }
    LinuxCameraService& watch(qint32 ownPid = kSomeoneElse, const QString& procRoot = "/proc",
                              const QString& sysRoot = kSysRoot) {
        service.emplace(loop, ownPid, dev, sysRoot, procRoot);
        service->addObserver(this);
        return *service;
    }
    // Runs the Qt event loop, which delivers the node watch's events, and the tasks the service
    // posts, until `done` holds.
    bool settle(const std::function<bool()>& done) {
        return runUntil([&] {
            loop.runPending();
            return done();
        });
    }

    // Once the node watch's events asked for a walk, lets the walk interval pass.
    bool walkAfterEvents() {
        const bool asked = settle([&] { return loop.activeTimerCount() == 1; });
        loop.advance(LinuxCameraService::kDefaultWalkIntervalSeconds);
        return asked;
    }

    static constexpr qint32 kSomeoneElse = 1;
    static inline const QString kSysRoot = QStringLiteral(OSTREL_CAMERA_FIXTURES "/sys");
    const qint32 self = qint32(::getpid());
    QTemporaryDir temp;
    const QString dev = QFileInfo(temp.path()).canonicalFilePath();
    ManualRunLoop loop;
    std::optional<LinuxCameraService> service;
    int connected = 0;
    int disconnected = 0;
    int usageChecks = 0;
};

} // namespace

TEST_F(LinuxCameraServiceTest, HoldersAreWalkedForOnceAndThenAnIntervalAfterOpensAndCloses) {
    add("video0");
    QFile early(node("video0"));
    ASSERT_TRUE(early.open(QIODevice::ReadOnly)); // before Ostrel started: only a walk finds it
    LinuxCameraService& cameras = watch();
    ASSERT_TRUE(cameras.watchesDeviceEvents());
    EXPECT_TRUE(cameras.canNameHolders());
    const std::vector<CaptureDevice> devices = cameras.cameras();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].localizedName, "Integrated Camera: Integrated C");
    EXPECT_EQ(devices[0].uniqueID, node("video0"));
    EXPECT_TRUE(devices[0].isConnected);
    EXPECT_TRUE(devices[0].isInUseByAnotherApplication);
    EXPECT_EQ(cameras.holderPids(), (std::vector<qint32>{self}));
    EXPECT_EQ(cameras.holderWalkCount(), 1); // no event since, so no walk either

    // Until the walk an interval after the close, answers come from the last walk.
    early.close();
    ASSERT_TRUE(settle([&] { return loop.activeTimerCount() == 1; }));
    EXPECT_EQ(cameras.holderPids(), (std::vector<qint32>{self}));
    loop.advance(LinuxCameraService::kDefaultWalkIntervalSeconds);
    EXPECT_EQ(cameras.holderWalkCount(), 2);
    EXPECT_TRUE(cameras.holderPids().empty());
    EXPECT_FALSE(cameras.cameras()[0].isInUseByAnotherApplication);
    EXPECT_EQ(usageChecks, 2); // the first walk found the holder, the second found it gone
}

// A program looping open and close, or a probe listing the cameras, opens and closes within one
// walk interval: the opens and closes cancel out, so the walk waits, and there is no use.
TEST_F(LinuxCameraServiceTest, OpensAndClosesThatCancelOutAreNoUseAndWaitForTheirWalk) {
    add("video0");
    LinuxCameraService& cameras = watch();
    cameras.cameras();
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(QFile(node("video0")).open(QIODevice::ReadOnly));
    }
    ASSERT_TRUE(walkAfterEvents());
    EXPECT_EQ(loop.activeTimerCount(), 1); // one pending walk, however many events
    for (const int walks : {1, 2}) {
        EXPECT_EQ(cameras.holderWalkCount(), walks);
        EXPECT_EQ(cameras.netOpenCount(node("video0")), 0);
        EXPECT_FALSE(cameras.cameras()[0].isInUseByAnotherApplication);
        EXPECT_TRUE(cameras.canNameHolders());
        loop.advance(2);
    }
    EXPECT_EQ(usageChecks, 0);

    QFile held(node("video0"));
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    ASSERT_TRUE(walkAfterEvents());
    EXPECT_EQ(cameras.holdersOf(node("video0")), (std::vector<qint32>{self}));
    EXPECT_TRUE(cameras.cameras()[0].isInUseByAnotherApplication);
    EXPECT_EQ(cameras.holderWalkCount(), 3);
    EXPECT_EQ(usageChecks, 1);
}

// Another user's process, or one that made itself undumpable, hides its descriptors; in the
// fixture proc tree nobody holds the test's nodes, so the test's own open is such a holder.
TEST_F(LinuxCameraServiceTest, OpensNoVisibleHolderExplainsAreAHolderOstrelCannotInspect) {
    add("video0");
    LinuxCameraService& cameras = watch(kSomeoneElse, OSTREL_CAMERA_FIXTURES "/proc");
    LinuxCameraSystem system(cameras);
    QFile held(node("video0"));
    for (const bool open : {true, false}) {
        if (open) {
            ASSERT_TRUE(held.open(QIODevice::ReadOnly));
        } else {
            held.close();
        }
        ASSERT_TRUE(walkAfterEvents());
        EXPECT_EQ(cameras.cameras()[0].isInUseByAnotherApplication, open);
        EXPECT_EQ(system.isDeviceRunning(0).value, open);
        EXPECT_TRUE(cameras.holderPids().empty());
        EXPECT_EQ(cameras.canNameHolders(), !open);
        EXPECT_EQ(cameras.unnamedHolders(),
                  open ? std::vector<QString>{"a process Ostrel cannot inspect"}
                       : std::vector<QString>{});
    }
    EXPECT_EQ(usageChecks, 2);
}

// A USB webcam's capture and metadata nodes belong to one sysfs device: one camera, connected
// and disconnected once, even when its sysfs entry goes before its last node. video3 has none.
TEST_F(LinuxCameraServiceTest, NodesOfOneSysfsDeviceAreOneCamera) {
    const QTemporaryDir sysTemp;
    const QString sys = sysTemp.path();
    LinuxCameraService& cameras = watch(kSomeoneElse, "/proc", sys);
    const QString classFolder = sys + "/class/video4linux/";
    const std::pair<QString, QString> nodeDevices[] = {{"video0", "usb1/1-1/1-1:1.0"},
                                                       {"video1", "usb1/1-1/1-1:1.0"},
                                                       {"video2", "usb1/1-2/1-2:1.0"},
                                                       {"video3", ""}};
    for (const auto& [name, device] : nodeDevices) {
        ASSERT_TRUE(QDir().mkpath(classFolder + name));
        if (!device.isEmpty()) {
            ASSERT_TRUE(QDir().mkpath(sys + "/devices/" + device));
            ASSERT_TRUE(QFile::link(sys + "/devices/" + device, classFolder + name + "/device"));
        }
        add(name);
    }
    ASSERT_TRUE(settle([&] { return connected == 3; }));
    std::vector<QString> ids;
    for (const CaptureDevice& device : cameras.cameras()) {
        ids.push_back(device.uniqueID);
    }
    EXPECT_EQ(ids, (std::vector<QString>{node("video0"), node("video2"), node("video3")}));
    QFile held(node("video1")); // the metadata node
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    ASSERT_TRUE(walkAfterEvents());
    EXPECT_TRUE(cameras.cameras()[0].isInUseByAnotherApplication);

    ASSERT_TRUE(QFile::remove(classFolder + "video1/device"));
    ASSERT_TRUE(QFile::remove(node("video0")));
    ASSERT_TRUE(settle([&] { return cameras.nodes().size() == 3; }));
    ASSERT_TRUE(QFile::remove(node("video1")));
    ASSERT_TRUE(settle([&] { return disconnected == 1; }));
    loop.runPending();
    EXPECT_EQ(cameras.cameras().size(), 2u);
    EXPECT_EQ(disconnected, 1);
    EXPECT_EQ(connected, 3);
}

TEST_F(LinuxCameraServiceTest, NodesAppearingAndDisappearingAreConnectionsAndAreWatched) {
    LinuxCameraService& cameras = watch();
    EXPECT_TRUE(cameras.cameras().empty());
    add("notes");
    add("video10");
    ASSERT_TRUE(settle([&] { return connected == 1; }));
    EXPECT_EQ(cameras.nodes(), (std::vector<CameraNode>{{node("video10"), "USB 2.0 Camera", ""}}));
    {
        QFile held(node("video10"));
        ASSERT_TRUE(held.open(QIODevice::ReadOnly));
        ASSERT_TRUE(walkAfterEvents());
        EXPECT_EQ(cameras.holderPids(), (std::vector<qint32>{self}));
    }

    ASSERT_TRUE(QFile::rename(node("video10"), node("video4")));
    ASSERT_TRUE(settle([&] { return connected == 2 && disconnected == 1; }));
    EXPECT_EQ(cameras.nodes(), (std::vector<CameraNode>{{node("video4"), "video4", ""}}));
    ASSERT_TRUE(QFile::remove(node("video4")));
    ASSERT_TRUE(settle([&] { return disconnected == 2; }));
    EXPECT_TRUE(cameras.cameras().empty());
    EXPECT_EQ(connected, 2);
}

TEST_F(LinuxCameraServiceTest, WithoutAWatchableFolderEveryQuestionLooksAgain) {
    ASSERT_TRUE(QDir(dev).removeRecursively());
    const CapturedLog log;
    LinuxCameraService& cameras = watch();
    EXPECT_FALSE(cameras.watchesDeviceEvents());
    EXPECT_TRUE(cameras.cameras().empty());

    ASSERT_TRUE(QDir().mkpath(dev));
    add("video0");
    QFile held(node("video0"));
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    EXPECT_EQ(cameras.holderPids(), (std::vector<qint32>{self}));
    // Questions walk again once the last walk is an interval old.
    const int walks = cameras.holderWalkCount();
    for (const int expected : {walks, walks + 1}) {
        cameras.holderPids();
        EXPECT_EQ(cameras.holderWalkCount(), expected);
        loop.advance(LinuxCameraService::kDefaultWalkIntervalSeconds);
    }
    loop.runPending();
    EXPECT_EQ(connected, 1);
    held.close();
    EXPECT_TRUE(cameras.holderPids().empty());
    EXPECT_EQ(log.countStartingWith("⚠️ [Cameras] Cannot watch " + dev), 1);
}

TEST_F(LinuxCameraServiceTest, UnreadableProcessesLeaveHoldersUnknownAndUnopenableNodesDenied) {
    ASSERT_EQ(::chmod(QFile::encodeName(dev).constData(), 0755), 0);
    const CapturedLog log;
    LinuxCameraService& cameras = watch(kSomeoneElse, dev + "/no-proc");
    EXPECT_EQ(cameras.authorizationStatus(), AuthorizationStatus::Authorized); // no node at all

    add("video0", 0444);
    ASSERT_TRUE(settle([&] { return connected == 1; }));
    EXPECT_TRUE(cameras.holderPids().empty());
    EXPECT_FALSE(cameras.canNameHolders());
    EXPECT_EQ(log.countStartingWith("⚠️ [Cameras] Cannot read"), 1);
    if (!statusAsNobody(cameras)) {
        GTEST_SKIP() << "cannot drop root privileges here";
    }
    EXPECT_EQ(statusAsNobody(cameras), AuthorizationStatus::Denied);
    add("video1", 0666);
    ASSERT_TRUE(settle([&] { return connected == 2; }));
    EXPECT_EQ(statusAsNobody(cameras), AuthorizationStatus::Authorized);
    // The probe is no open: it leaves no event behind, as the next node's arrival shows.
    add("video2");
    ASSERT_TRUE(settle([&] { return connected == 3; }));
    EXPECT_EQ(usageChecks, 0);
}

// The camera system of the advanced view numbers the nodes the service lists.
TEST(LinuxCameraSystem, DeviceNumbersComeFromNodeNames) {
    EXPECT_EQ(LinuxCameraSystem::deviceNumber("/dev/video0"), 0u);
    EXPECT_EQ(LinuxCameraSystem::deviceNumber("/dev/video12"), 12u);
    for (const char* path : {"/dev/video", "/dev/videoX", "/dev/media0"}) {
        EXPECT_FALSE(LinuxCameraSystem::deviceNumber(path)) << path;
    }
}

TEST_F(LinuxCameraServiceTest, TheCameraSystemFollowsHoldersAndTellsOfNewNodes) {
    add("video0");
    add("video3");
    LinuxCameraSystem system(watch());
    EXPECT_EQ(system.deviceIds().value, (std::vector<quint32>{0, 3}));
    EXPECT_EQ(system.deviceName(3), "video3");
    EXPECT_FALSE(system.isDeviceRunning(3).value);
    EXPECT_FALSE(system.isDeviceRunning(7).ok());

    QFile held(node("video3"));
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    ASSERT_TRUE(walkAfterEvents());
    EXPECT_TRUE(system.isDeviceRunning(3).value);
    EXPECT_FALSE(system.isDeviceRunning(0).value);

    int listChanges = 0;
    system.addDeviceListListener([&](quint32, const std::vector<CameraSystemChange>& changes) {
        listChanges +=
            changes.size() == 1 && changes[0].kind == CameraSystemChange::Kind::DeviceList;
    });
    add("video5");
    ASSERT_TRUE(settle([&] { return listChanges > 0; }));
    EXPECT_EQ(listChanges, 1);
}
