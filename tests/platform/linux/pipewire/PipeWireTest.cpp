#include "platform/linux/audio/LinuxAudioSystem.h"
#include "platform/linux/pipewire/PipeWireCameraService.h"
#include "support/CapturedLog.h"
#include "support/FakeCameraService.h"
#include "support/RunUntil.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace ostrel;

namespace {

bool contains(const auto& items, const auto& item) {
    return std::ranges::count(items, item) > 0;
}

// The test services' PipeWire, with a virtual microphone and a test camera; its pulse server
// runs on a socket of its own.
class PipeWireTest : public testing::Test {
protected:
    void SetUp() override {
        if (pulseServer.isEmpty()) {
            GTEST_SKIP() << "needs the PipeWire of scripts/with-test-services";
        }
        ASSERT_TRUE(pumpUntil(loop, [&] { return graph.isConnected(); }));
    }

    void TearDown() override {
        for (QProcess& child : children) {
            child.kill();
            child.waitForFinished(5000);
        }
    }

    qint32 start(const QString& program, const QStringList& arguments,
                 const QStringList& environment = {}) {
        QProcess& child = children.emplace_back();
        child.setEnvironment(QProcess::systemEnvironment() + environment);
        child.start(program, arguments);
        EXPECT_TRUE(child.waitForStarted(5000));
        return qint32(child.processId());
    }

    const QString pulseServer = qEnvironmentVariable("OSTREL_TEST_PIPEWIRE_PULSE");
    CapturedLog log;
    QTemporaryDir folder;
    ManualRunLoop loop;
    PipeWireGraphWatch graph{loop};
    const StreamOwnerRule rule;
    std::list<QProcess> children;
};

} // namespace

TEST_F(PipeWireTest, RecordersAreNamedByTheirOwnPidsNeverByTheRelayOrAnotherProcess) {
    LinuxAudioSystem audio(loop, getpid(), {folder.filePath("asound"), folder.filePath("snd")},
                           pulseServer, &graph);
    ASSERT_TRUE(pumpUntil(loop, [&] { return audio.answersFromPipeWireGraph(); }));
    const QStringList record{"--device=ostrel_pw_test_source", "--server=" + pulseServer,
                             "/dev/null"};
    const qint32 relayed = start("parecord", record);
    const qint32 native = start("pw-record", {"--target", "ostrel_pw_test_source", "/dev/null"});
    ASSERT_TRUE(pumpUntil(loop, [&] {
        return contains(audio.holderPids(), relayed) && contains(audio.holderPids(), native);
    }));
    EXPECT_TRUE(std::ranges::any_of(audio.microphones(), [](const CaptureDevice& microphone) {
        return microphone.uniqueID == "ostrel_pw_test_source" &&
               microphone.isInUseByAnotherApplication;
    }));

    // A recorder that gives this process's pid as its own is named only by what it claims
    // (parecord is pacat under another name).
    start("parecord", record, {"PULSE_PROP=application.process.id=" + QString::number(getpid())});
    ASSERT_TRUE(pumpUntil(loop, [&] {
        return contains(audio.unnamedHolders(), QStringLiteral("pacat (unverified)"));
    }));
    EXPECT_FALSE(audio.canNameHolders());
    for (const qint32 pid : audio.holderPids()) {
        EXPECT_FALSE(rule.isRelay(pid)) << pid;
        EXPECT_NE(pid, getpid());
    }
}

TEST_F(PipeWireTest, TheCamerasConsumersReplaceTheDaemonThatHoldsItsNode) {
    // The daemon would hold a real camera's node; any PipeWire process stands in for it.
    const QStringList pids = QDir("/proc").entryList(QDir::Dirs);
    const auto relay = std::ranges::find_if(
        pids, [&](const QString& pid) { return pid.toInt() > 0 && rule.isRelay(pid.toInt()); });
    ASSERT_NE(relay, pids.end());
    FakeCameraService devices;
    devices.holders = {relay->toInt()};
    PipeWireCameraService cameras(devices, graph, getpid());
    EXPECT_EQ(cameras.holderPids(), devices.holders);

    QProcess& consumer = children.emplace_back();
    consumer.start(OSTREL_CAMERA_CONSUMER_CHILD, {"ostrel_test_consumer"});
    ASSERT_TRUE(consumer.waitForStarted(5000));
    ASSERT_TRUE(pumpUntil(loop, [&] {
        QProcess link;
        link.start("pw-link", {"ostrel_test_camera:out_0", "ostrel_test_consumer:in_0"});
        return link.waitForFinished(5000) && link.exitCode() == 0;
    }));
    ASSERT_TRUE(consumer.waitForReadyRead(10000));
    ASSERT_TRUE(pumpUntil(loop, [&] {
        return cameras.holderPids() == std::vector<qint32>{qint32(consumer.processId())};
    }));
    const std::vector<CaptureDevice> all = cameras.cameras();
    EXPECT_TRUE(std::ranges::any_of(all, [](const CaptureDevice& camera) {
        return camera.uniqueID == "pipewire:ostrel_test_camera" &&
               camera.isInUseByAnotherApplication;
    }));

    consumer.kill();
    consumer.waitForFinished(5000);
    ASSERT_TRUE(pumpUntil(loop, [&] { return cameras.holderPids() == devices.holders; }));
}

TEST_F(PipeWireTest, ADaemonThatComesLaterOrGoesAwayIsFoundAgain) {
    const QString remote = "ostrel-test-" + QString::number(getpid());
    PipeWireGraphWatch late(loop, remote);
    EXPECT_FALSE(late.isConnected());

    QProcess daemon;
    daemon.setEnvironment(QProcess::systemEnvironment() + QStringList{"PIPEWIRE_CORE=" + remote});
    const auto startDaemon = [&] {
        daemon.start("pipewire", {});
        ASSERT_TRUE(daemon.waitForStarted(5000));
        ASSERT_TRUE(pumpUntil(loop, [&] {
            loop.advance(1);
            return late.isConnected();
        }));
    };
    startDaemon();
    daemon.kill();
    daemon.waitForFinished(5000);
    ASSERT_TRUE(pumpUntil(loop, [&] { return !late.isConnected(); }));
    EXPECT_EQ(log.countStartingWith("⚠️ [PipeWire] Lost the PipeWire daemon"), 1);
    startDaemon();
    daemon.kill();
    daemon.waitForFinished(5000);
}
