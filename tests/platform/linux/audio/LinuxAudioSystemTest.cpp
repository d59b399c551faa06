#include "platform/linux/audio/LinuxAudioSystem.h"

#include "support/CapturedLog.h"
#include "support/ManualRunLoop.h"
#include "support/RunUntil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace ostrel;

namespace {

const QString kBusy = QStringLiteral(OSTREL_AUDIO_FIXTURES "/busy");

struct RecordingObserver final : AudioSystemObserver {
    void inputDeviceConnected() override { ++connected; }
    void inputDeviceDisconnected() override { ++disconnected; }
    void mediaServicesReset() override { ++resets; }
    void microphoneUsageMayHaveChanged() override { ++usageChanges; }

    int connected = 0;
    int disconnected = 0;
    int resets = 0;
    int usageChanges = 0;
};

// Runs pactl against `server`; its output, or nothing when it fails.
std::optional<QString> pactl(const QString& server, const QStringList& arguments) {
    QProcess process;
    process.start("pactl", QStringList{"--server=" + server} + arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Whether the microphone is in use by another application; nothing when there is none.
std::optional<bool> inUse(AudioSystem& audio, const QString& uniqueID) {
    for (const CaptureDevice& device : audio.microphones()) {
        if (device.uniqueID == uniqueID) {
            return device.isInUseByAnotherApplication;
        }
    }
    return std::nullopt;
}

bool holds(AudioSystem& audio, qint32 pid) {
    return std::ranges::count(audio.holderPids(), pid) > 0;
}

void expectEveryServerAnswerNegative(AudioSystem& audio) {
    EXPECT_NE(audio.defaultInputDevice().status, 0);
    EXPECT_EQ(audio.defaultInputDevice().value, 0u);
    EXPECT_NE(audio.isRunningSomewhere(1).status, 0);
    EXPECT_FALSE(audio.isRunningSomewhere(1).value);
    EXPECT_EQ(audio.exclusiveOwner(1).value, -1);
    EXPECT_TRUE(audio.inputStreams(1).value.empty());
    EXPECT_EQ(audio.clientObjectForPid(getpid()).value, 0u);
}

class LinuxAudioSystemTest : public testing::Test {
protected:
    QTemporaryDir folder;
    // No sound cards and no capture nodes; the real processes, whose executables vouch for
    // the pids their streams declare.
    const LinuxAudioRoots noDevices{folder.path() + "/asound", folder.path() + "/snd", "/proc"};
    ManualRunLoop loop;
    RecordingObserver observer;
};

} // namespace

TEST_F(LinuxAudioSystemTest, WithoutASoundServerAlsaAnswersAndRetriesBackOff) {
    const QString socketPath = folder.path() + "/native";
    CapturedLog log;
    LinuxAudioSystem audio(loop, getpid(),
                           {kBusy + "/asound", folder.path() + "/snd", kBusy + "/proc"},
                           "unix:" + socketPath);
    audio.addObserver(&observer);
    loop.runPending();

    EXPECT_FALSE(audio.isConnectedToSoundServer());
    // The device queries stay negative: without a server there is no default input.
    expectEveryServerAnswerNegative(audio);
    const std::vector<CaptureDevice> microphones = audio.microphones();
    ASSERT_EQ(microphones.size(), 4u);
    EXPECT_TRUE(microphones[0].isInUseByAnotherApplication);
    EXPECT_EQ(audio.holderPids(), std::vector<qint32>{4242});
    // Nothing runs but the one reconnection timer.
    EXPECT_EQ(loop.activeTimerCount(), 1);

    // A socket that accepts connections and says nothing: each attempt to reach a sound server
    // there is one pending connection, which the test hangs up.
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    const auto closeSocket = qScopeGuard([socket] { ::close(socket); });
    sockaddr_un address{AF_UNIX, {}};
    std::ranges::copy(QFile::encodeName(socketPath), address.sun_path);
    ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(socket, 16), 0);
    const auto hangUpPending = [socket] {
        int count = 0;
        for (int client; (client = ::accept(socket, nullptr, nullptr)) >= 0; ++count) {
            ::close(client);
        }
        return count;
    };
    for (const double delay : {1.0, 2.0, 4.0, 8.0, 16.0, 30.0, 30.0}) {
        loop.advance(delay - 0.01);
        EXPECT_EQ(hangUpPending(), 0) << "retried before " << delay << " s";
        loop.advance(0.01);
        EXPECT_EQ(hangUpPending(), 1) << "no retry after " << delay << " s";
        ASSERT_TRUE(pumpUntil(loop, [&] { return loop.activeTimerCount() == 1; }));
    }
    EXPECT_FALSE(audio.isConnectedToSoundServer());
    EXPECT_EQ(log.countStartingWith("⚠️ [Audio] No sound server answers ("), 1);
    EXPECT_EQ(observer.connected + observer.disconnected + observer.resets, 0);

    // Capture nodes decide the authorization; playback nodes do not count.
    EXPECT_EQ(audio.authorizationStatus(), AuthorizationStatus::Denied);
    ASSERT_TRUE(QDir(folder.path()).mkdir("snd"));
    QFile playback(folder.path() + "/snd/pcmC0D0p");
    ASSERT_TRUE(playback.open(QIODevice::WriteOnly));
    EXPECT_EQ(audio.authorizationStatus(), AuthorizationStatus::Denied);
    QFile capture(folder.path() + "/snd/pcmC0D0c");
    ASSERT_TRUE(capture.open(QIODevice::WriteOnly));
    EXPECT_EQ(audio.authorizationStatus(), AuthorizationStatus::Authorized);
}

TEST_F(LinuxAudioSystemTest, ARecorderHoldsTheDefaultServersMicrophoneALevelMeterDoesNot) {
    const QString server = qEnvironmentVariable("PULSE_SERVER");
    if (server.isEmpty()) {
        GTEST_SKIP() << "needs the PulseAudio daemon of scripts/with-test-services";
    }
    LinuxAudioSystem audio(loop, getpid(), noDevices);
    audio.addObserver(&observer);
    ASSERT_TRUE(pumpUntil(loop, [&] { return audio.isConnectedToSoundServer(); }));
    EXPECT_EQ(audio.authorizationStatus(), AuthorizationStatus::Authorized);
    const AudioAnswer<AudioDeviceId> input = audio.defaultInputDevice();
    ASSERT_EQ(input.status, 0);
    ASSERT_NE(input.value, 0u);
    EXPECT_EQ(inUse(audio, "ostrel_test_source"), false);
    EXPECT_EQ(inUse(audio, "ostrel_test_sink.monitor"), std::nullopt);

    // It calls itself a volume control; only an executable can make it one.
    QProcess recorder;
    recorder.setEnvironment(QProcess::systemEnvironment() +
                            QStringList{"PULSE_PROP=application.id=org.PulseAudio.pavucontrol"});
    recorder.start("parecord", {"--device=ostrel_test_source", folder.path() + "/recording.wav"});
    ASSERT_TRUE(recorder.waitForStarted(10000));
    const qint32 pid = qint32(recorder.processId());
    ASSERT_TRUE(pumpUntil(loop, [&] { return holds(audio, pid); }));
    EXPECT_EQ(inUse(audio, "ostrel_test_source"), true);
    EXPECT_EQ(audio.isRunningSomewhere(input.value).value, true);
    EXPECT_FALSE(audio.inputStreams(input.value).value.empty());
    EXPECT_NE(audio.clientObjectForPid(pid).value, 0u);
    // The sound server runs the null source; no process holds a device past it.
    EXPECT_EQ(audio.exclusiveOwner(input.value).value, -1);
    const int usageChangesWhileRecording = observer.usageChanges;
    EXPECT_GE(usageChangesWhileRecording, 1);

    recorder.terminate();
    ASSERT_TRUE(recorder.waitForFinished(10000));
    ASSERT_TRUE(pumpUntil(
        loop, [&] { return !holds(audio, pid) && audio.clientObjectForPid(pid).value == 0; }));
    EXPECT_EQ(inUse(audio, "ostrel_test_source"), false);
    EXPECT_GT(observer.usageChanges, usageChangesWhileRecording);

    const int usageChangesBeforeMeter = observer.usageChanges;
    QProcess meter;
    meter.start(OSTREL_LEVEL_METER_CHILD, {server, "ostrel_test_source"});
    ASSERT_TRUE(meter.waitForReadyRead(10000));
    ASSERT_TRUE(pumpUntil(loop, [&] { return observer.usageChanges > usageChangesBeforeMeter; }));
    EXPECT_TRUE(pactl(server, {"list", "short", "sources"}).value_or("").contains("RUNNING"));
    EXPECT_EQ(inUse(audio, "ostrel_test_source"), false);
    EXPECT_EQ(audio.isRunningSomewhere(input.value).value, false);
    EXPECT_TRUE(audio.inputStreams(input.value).value.empty());
    EXPECT_TRUE(audio.holderPids().empty());
    meter.kill();
    meter.waitForFinished(10000);
}

TEST_F(LinuxAudioSystemTest, SourcesComingAndGoingAndALostServerComingBack) {
    const QString server = qEnvironmentVariable("PULSE_SERVER");
    if (server.isEmpty()) {
        GTEST_SKIP() << "needs the PulseAudio daemon of scripts/with-test-services";
    }
    // A door of its own into the server: closing it drops Ostrel's connection, as the server
    // going down would, and it opens again on the same socket.
    const QString socket = folder.path() + "/native";
    std::optional<QString> door;
    const auto openDoor = [&] {
        door = pactl(server, {"load-module", "module-native-protocol-unix", "auth-anonymous=1",
                              "socket=" + socket});
        return door.has_value();
    };
    const auto closeDoor = [&] { return pactl(server, {"unload-module", door->trimmed()}); };
    ASSERT_TRUE(openDoor());
    auto audio = std::make_unique<LinuxAudioSystem>(loop, getpid(), noDevices, "unix:" + socket);
    audio->addObserver(&observer);
    ASSERT_TRUE(pumpUntil(loop, [&] { return audio->isConnectedToSoundServer(); }));

    const std::optional<QString> module =
        pactl(server, {"load-module", "module-null-source", "source_name=ostrel_second"});
    ASSERT_TRUE(module);
    ASSERT_TRUE(pumpUntil(loop, [&] { return observer.connected == 1; }));
    EXPECT_EQ(inUse(*audio, "ostrel_second"), false);
    EXPECT_EQ(observer.disconnected, 0);
    ASSERT_TRUE(pactl(server, {"unload-module", module->trimmed()}));
    ASSERT_TRUE(pumpUntil(loop, [&] { return observer.disconnected == 1; }));
    EXPECT_EQ(inUse(*audio, "ostrel_second"), std::nullopt);
    EXPECT_EQ(observer.connected, 1);

    ASSERT_TRUE(closeDoor());
    ASSERT_TRUE(pumpUntil(loop, [&] { return !audio->isConnectedToSoundServer(); }));
    expectEveryServerAnswerNegative(*audio);
    EXPECT_TRUE(audio->microphones().empty());
    EXPECT_EQ(observer.disconnected, 2);
    EXPECT_EQ(observer.resets, 0);

    ASSERT_TRUE(openDoor());
    loop.advance(1.0); // the first reconnection
    ASSERT_TRUE(pumpUntil(loop, [&] { return audio->isConnectedToSoundServer(); }));
    EXPECT_EQ(observer.resets, 1);
    EXPECT_EQ(observer.connected, 1); // the reset stands for the sources that came back
    const AudioAnswer<AudioDeviceId> input = audio->defaultInputDevice();
    EXPECT_EQ(input.status, 0);
    EXPECT_NE(input.value, 0u);
    EXPECT_EQ(audio->isRunningSomewhere(input.value).value, false);
    EXPECT_EQ(inUse(*audio, "ostrel_test_source"), false);
    loop.advance(60.0);
    EXPECT_EQ(observer.resets, 1);
    EXPECT_EQ(loop.activeTimerCount(), 0);

    // Going away while the loss is still on its way hands nothing to a dead object.
    ASSERT_TRUE(closeDoor());
    audio.reset();
    loop.runPending();
    EXPECT_EQ(observer.resets, 1);
}
