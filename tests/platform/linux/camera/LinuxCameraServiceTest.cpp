#include "platform/linux/camera/LinuxCameraService.h"

#include "WithoutPrivileges.h"
#include "base/QtMainRunLoop.h"
#include "support/CapturedLog.h"
#include "support/ManualRunLoop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ostrel;

namespace {

const QString kSysRoot = QStringLiteral(OSTREL_CAMERA_FIXTURES "/sys");

class RecordingObserver final : public CameraObserver {
public:
    void cameraConnected() override { ++connected; }
    void cameraDisconnected() override { ++disconnected; }
    void cameraUsageMayHaveChanged() override { ++usageChecks; }

    int connected = 0;
    int disconnected = 0;
    int usageChecks = 0;
};

// Runs the Qt event loop until `done` holds; bounded, because what it waits for is the kernel
// and real child processes.
bool runUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(10'000);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Runs everything posted to the loop so far.
void drain(MainRunLoop& loop) {
    bool reached = false;
    loop.post([&] { reached = true; });
    ASSERT_TRUE(runUntil([&] { return reached; }));
}

// A temp device folder whose regular files stand for camera nodes.
class DeviceFolder {
public:
    DeviceFolder() { path_ = QFileInfo(temp_.path()).canonicalFilePath(); }
    QString path() const { return path_; }
    QString node(const QString& name) const { return path_ + '/' + name; }
    void add(const QString& name, int mode = 0666) const {
        QFile file(node(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        ASSERT_EQ(::chmod(QFile::encodeName(node(name)).constData(), mode_t(mode)), 0);
    }

private:
    QTemporaryDir temp_;
    QString path_;
};

// A child process that holds a node open until it is killed.
class Holder {
public:
    explicit Holder(const QString& node) {
        process_.start("/bin/sh", {"-c", "exec 3<\"$0\"; exec sleep 100", node});
        process_.waitForStarted();
    }
    ~Holder() { stop(); }
    qint32 pid() const { return qint32(process_.processId()); }
    void stop() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }

private:
    QProcess process_;
};

} // namespace

TEST(LinuxCameraServiceTest, AChildHoldingANodeIsItsHolderUntilItExits) {
    DeviceFolder dev;
    dev.add("video0");
    QtMainRunLoop loop;
    LinuxCameraService cameras(loop, qint32(::getpid()), dev.path(), kSysRoot);
    ASSERT_TRUE(cameras.watchesDeviceEvents());
    RecordingObserver observer;
    cameras.addObserver(&observer);

    std::vector<CaptureDevice> devices = cameras.cameras();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].localizedName, "Integrated Camera: Integrated C");
    EXPECT_EQ(devices[0].uniqueID, dev.node("video0"));
    EXPECT_TRUE(devices[0].isConnected);
    EXPECT_FALSE(devices[0].isInUseByAnotherApplication);
    EXPECT_TRUE(cameras.holderPids().empty());
    EXPECT_TRUE(cameras.canNameHolders());
    // The first question walks, since a camera may have been open before Ostrel started;
    // questions with no event in between do not.
    EXPECT_EQ(cameras.holderWalkCount(), 1);

    Holder holder(dev.node("video0"));
    ASSERT_TRUE(runUntil([&] { return observer.usageChecks > 0; }));
    EXPECT_EQ(cameras.holderPids(), (std::vector<qint32>{holder.pid()}));
    EXPECT_TRUE(cameras.cameras()[0].isInUseByAnotherApplication);
    EXPECT_EQ(cameras.holdersOf(dev.node("video0")), (std::vector<qint32>{holder.pid()}));
    EXPECT_EQ(cameras.netOpenCount(dev.node("video0")), 1);
    const int walks = cameras.holderWalkCount();
    cameras.holderPids();
    cameras.cameras();
    EXPECT_EQ(cameras.holderWalkCount(), walks);

    const int checks = observer.usageChecks;
    holder.stop();
    ASSERT_TRUE(runUntil([&] { return observer.usageChecks > checks; }));
    EXPECT_TRUE(cameras.holderPids().empty());
    EXPECT_FALSE(cameras.cameras()[0].isInUseByAnotherApplication);
    EXPECT_EQ(cameras.netOpenCount(dev.node("video0")), 0);
    cameras.removeObserver(&observer);
}

TEST(LinuxCameraServiceTest, OstrelsOwnOpenMakesNoHolderAndABurstAsksForOneCheck) {
    DeviceFolder dev;
    dev.add("video0");
    QtMainRunLoop loop;
    LinuxCameraService cameras(loop, qint32(::getpid()), dev.path(), kSysRoot);
    // The same folder seen by a service that takes another process for Ostrel.
    LinuxCameraService otherView(loop, qint32(::getppid()), dev.path(), kSysRoot);
    RecordingObserver observer;
    cameras.addObserver(&observer);
    cameras.holderPids();

    for (int i = 0; i < 20; ++i) {
        QFile probe(dev.node("video0"));
        ASSERT_TRUE(probe.open(QIODevice::ReadOnly));
    }
    QFile held(dev.node("video0"));
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    ASSERT_TRUE(runUntil([&] { return observer.usageChecks > 0; }));
    drain(loop);
    EXPECT_EQ(observer.usageChecks, 1);

    EXPECT_TRUE(cameras.holderPids().empty());
    EXPECT_FALSE(cameras.cameras()[0].isInUseByAnotherApplication);
    EXPECT_EQ(otherView.holderPids(), (std::vector<qint32>{qint32(::getpid())}));
    // The event count sees every process, Ostrel included.
    EXPECT_EQ(cameras.netOpenCount(dev.node("video0")), 1);
}

// The kernel reports an open just before the opener's descriptor exists; a walk in that gap
// must not leave the index trusted.
TEST(LinuxCameraServiceTest, AnOpenIsLookedForAgainALittleLater) {
    DeviceFolder dev;
    dev.add("video0");
    ManualRunLoop loop;
    LinuxCameraService cameras(loop, qint32(::getpid()), dev.path(), kSysRoot);
    cameras.holderPids();

    QFile held(dev.node("video0"));
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    ASSERT_TRUE(runUntil([&] { return cameras.netOpenCount(dev.node("video0")) == 1; }));
    cameras.holderPids();
    const int walks = cameras.holderWalkCount();
    loop.advance(0.1);
    cameras.holderPids();
    EXPECT_EQ(cameras.holderWalkCount(), walks);
    loop.advance(0.1);
    cameras.holderPids();
    EXPECT_EQ(cameras.holderWalkCount(), walks + 1);
}

TEST(LinuxCameraServiceTest, NodesAppearingAndDisappearingAreConnectionsAndAreWatched) {
    DeviceFolder dev;
    QtMainRunLoop loop;
    LinuxCameraService cameras(loop, qint32(::getpid()), dev.path(), kSysRoot);
    RecordingObserver observer;
    cameras.addObserver(&observer);
    EXPECT_TRUE(cameras.cameras().empty());
    EXPECT_TRUE(cameras.holderPids().empty());

    dev.add("notes");
    dev.add("video10");
    ASSERT_TRUE(runUntil([&] { return observer.connected == 1; }));
    std::vector<CaptureDevice> devices = cameras.cameras();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].localizedName, "USB 2.0 Camera");

    {
        Holder holder(dev.node("video10"));
        ASSERT_TRUE(runUntil([&] { return observer.usageChecks > 0; }));
        EXPECT_EQ(cameras.holderPids(), (std::vector<qint32>{holder.pid()}));
    }

    ASSERT_TRUE(QFile::rename(dev.node("video10"), dev.node("video4")));
    ASSERT_TRUE(runUntil([&] { return observer.connected == 2 && observer.disconnected == 1; }));
    devices = cameras.cameras();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].uniqueID, dev.node("video4"));
    EXPECT_EQ(devices[0].localizedName, "video4");

    ASSERT_TRUE(QFile::remove(dev.node("video4")));
    ASSERT_TRUE(runUntil([&] { return observer.disconnected == 2; }));
    EXPECT_TRUE(cameras.cameras().empty());
    drain(loop);
    EXPECT_EQ(observer.connected, 2);
}

TEST(LinuxCameraServiceTest, WithoutAWatchableFolderEveryQuestionLooksAgain) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString devPath = QFileInfo(temp.path()).canonicalFilePath() + "/dev";
    CapturedLog log;
    QtMainRunLoop loop;
    LinuxCameraService cameras(loop, qint32(::getpid()), devPath, kSysRoot);
    RecordingObserver observer;
    cameras.addObserver(&observer);
    EXPECT_FALSE(cameras.watchesDeviceEvents());
    EXPECT_TRUE(cameras.cameras().empty());
    EXPECT_EQ(cameras.authorizationStatus(), AuthorizationStatus::Authorized);

    ASSERT_TRUE(QDir().mkpath(devPath));
    {
        QFile node(devPath + "/video0");
        ASSERT_TRUE(node.open(QIODevice::WriteOnly));
    }
    Holder holder(devPath + "/video0");
    ASSERT_TRUE(
        runUntil([&] { return cameras.holderPids() == std::vector<qint32>{holder.pid()}; }));
    EXPECT_TRUE(runUntil([&] { return observer.connected == 1; }));
    const int walks = cameras.holderWalkCount();
    cameras.holderPids();
    EXPECT_EQ(cameras.holderWalkCount(), walks + 1);

    holder.stop();
    EXPECT_TRUE(cameras.holderPids().empty());
    EXPECT_EQ(log.countStartingWith("⚠️ [Cameras] Cannot watch " + devPath), 1);
}

TEST(LinuxCameraServiceTest, WithoutAProcessListHoldersAreUnknown) {
    DeviceFolder dev;
    dev.add("video0");
    CapturedLog log;
    QtMainRunLoop loop;
    LinuxCameraService cameras(loop, qint32(::getpid()), dev.path(), kSysRoot,
                               dev.path() + "/no-proc");
    EXPECT_TRUE(cameras.holderPids().empty());
    EXPECT_FALSE(cameras.canNameHolders());
    EXPECT_FALSE(cameras.cameras()[0].isInUseByAnotherApplication);
    EXPECT_EQ(log.countStartingWith("⚠️ [Cameras] Cannot read"), 1);
}

TEST(LinuxCameraServiceTest, AuthorizedWhenSomeNodeMayBeOpenedOrThereIsNone) {
    DeviceFolder dev;
    ASSERT_EQ(::chmod(QFile::encodeName(dev.path()).constData(), 0755), 0);
    QtMainRunLoop loop;
    LinuxCameraService cameras(loop, qint32(::getpid()), dev.path(), kSysRoot);
    RecordingObserver observer;
    cameras.addObserver(&observer);

    const auto statusWithoutPrivileges = [&]() -> std::optional<AuthorizationStatus> {
        const WithoutPrivileges unprivileged;
        if (!unprivileged.isActive()) {
            return std::nullopt;
        }
        return cameras.authorizationStatus();
    };
    EXPECT_EQ(cameras.authorizationStatus(), AuthorizationStatus::Authorized);

    dev.add("video0", 0400);
    ASSERT_TRUE(runUntil([&] { return cameras.cameras().size() == 1; }));
    const std::optional<AuthorizationStatus> readOnly = statusWithoutPrivileges();
    if (!readOnly) {
        GTEST_SKIP() << "cannot drop root privileges here";
    }
    EXPECT_EQ(*readOnly, AuthorizationStatus::Denied);

    dev.add("video1", 0666);
    ASSERT_TRUE(runUntil([&] { return cameras.cameras().size() == 2; }));
    EXPECT_EQ(statusWithoutPrivileges(), AuthorizationStatus::Authorized);
    // The probe is no open: it leaves no event behind.
    drain(loop);
    EXPECT_EQ(observer.usageChecks, 0);
}
