#include "platform/linux/audio/LinuxAudioSystem.h"

#include "PrivateSoundServer.h"
#include "support/CapturedLog.h"
#include "support/ManualRunLoop.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
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

// Runs what the sound-server thread hands over until `condition` holds. Only a real server or
// a real child is waited for here, with a generous bound.
template <class Condition> bool pumpUntil(ManualRunLoop& loop, Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        loop.runPending();
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Roots with no sound cards, no capture nodes and no processes.
LinuxAudioRoots emptyRoots(const QTemporaryDir& folder) {
    return {folder.path() + "/asound", folder.path() + "/snd", folder.path() + "/proc"};
}

bool contains(const std::vector<qint32>& pids, qint32 pid) {
    return std::find(pids.begin(), pids.end(), pid) != pids.end();
}

std::optional<CaptureDevice> microphoneNamed(AudioSystem& audio, const QString& uniqueID) {
    for (const CaptureDevice& device : audio.microphones()) {
        if (device.uniqueID == uniqueID) {
            return device;
        }
    }
    return std::nullopt;
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

// A unix socket that accepts connections and says nothing: each attempt to reach a sound
// server there shows up as one pending connection.
class SilentSocket {
public:
    explicit SilentSocket(const QString& path)
        : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray encoded = QFile::encodeName(path);
        std::copy(encoded.begin(), encoded.end(), address.sun_path);
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                 ::listen(fd_, 16) == 0;
    }
    ~SilentSocket() { ::close(fd_); }

    bool isListening() const { return bound_; }
    // Accepts and hangs up every pending connection; how many there were.
    int hangUpPending() {
        int count = 0;
        for (int client; (client = ::accept(fd_, nullptr, nullptr)) >= 0; ++count) {
            ::close(client);
        }
        return count;
    }

private:
    int fd_;
    bool bound_ = false;
};

} // namespace

TEST(LinuxAudioSystemTest, WithoutASoundServerAnswersAreNegativeAndRetriesBackOff) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString socketPath = folder.path() + "/native";
    CapturedLog log;
    ManualRunLoop loop;
    RecordingObserver observer;
    LinuxAudioSystem audio(loop, getpid(), emptyRoots(folder), "unix:" + socketPath);
    audio.addObserver(&observer);
    loop.runPending();

    EXPECT_FALSE(audio.isConnectedToSoundServer());
    expectEveryServerAnswerNegative(audio);
    EXPECT_TRUE(audio.microphones().empty());
    EXPECT_TRUE(audio.holderPids().empty());
    EXPECT_EQ(audio.authorizationStatus(), AuthorizationStatus::Denied);
    // Nothing runs but the one reconnection timer.
    EXPECT_EQ(loop.activeTimerCount(), 1);

    SilentSocket socket(socketPath);
    ASSERT_TRUE(socket.isListening());
    for (const double delay : {1.0, 2.0, 4.0, 8.0, 16.0, 30.0, 30.0}) {
        loop.advance(delay - 0.01);
        EXPECT_EQ(socket.hangUpPending(), 0) << "retried before " << delay << " s";
        loop.advance(0.01);
        EXPECT_EQ(socket.hangUpPending(), 1) << "no retry after " << delay << " s";
        ASSERT_TRUE(pumpUntil(loop, [&] { return loop.activeTimerCount() == 1; }));
    }
    EXPECT_FALSE(audio.isConnectedToSoundServer());
    EXPECT_EQ(log.countStartingWith("⚠️ [Audio] No sound server answers ("), 1);
    EXPECT_EQ(observer.connected + observer.disconnected + observer.resets, 0);
    audio.removeObserver(&observer);
}

TEST(LinuxAudioSystemTest, WithoutASoundServerTheAlsaCaptureDevicesAnswer) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ManualRunLoop loop;
    CapturedLog log;
    LinuxAudioSystem audio(loop, getpid(),
                           {kBusy + "/asound", folder.path() + "/snd", kBusy + "/proc"},
                           "unix:" + folder.path() + "/missing");

    const std::vector<CaptureDevice> microphones = audio.microphones();
    ASSERT_EQ(microphones.size(), 4u);
    EXPECT_EQ(microphones[0].localizedName, "ALC257 Analog");
    EXPECT_EQ(microphones[0].uniqueID, "hw:0,0");
    EXPECT_TRUE(microphones[0].isInUseByAnotherApplication);
    EXPECT_FALSE(microphones[2].isInUseByAnotherApplication);
    EXPECT_EQ(audio.holderPids(), std::vector<qint32>{4242});
    // The device queries stay negative: without a server there is no default input.
    expectEveryServerAnswerNegative(audio);

    // Capture nodes decide the authorization; playback nodes do not count.
    ASSERT_TRUE(QDir(folder.path()).mkdir("snd"));
    QFile playback(folder.path() + "/snd/pcmC0D0p");
    ASSERT_TRUE(playback.open(QIODevice::WriteOnly));
    EXPECT_EQ(audio.authorizationStatus(), AuthorizationStatus::Denied);
    QFile capture(folder.path() + "/snd/pcmC0D0c");
    ASSERT_TRUE(capture.open(QIODevice::WriteOnly));
    EXPECT_EQ(audio.authorizationStatus(), AuthorizationStatus::Authorized);
}

TEST(LinuxAudioSystemTest, ARecorderHoldsTheTestServersMicrophoneUntilItEnds) {
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        GTEST_SKIP() << "needs the PulseAudio daemon of scripts/with-test-services";
    }
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ManualRunLoop loop;
    RecordingObserver observer;
    LinuxAudioSystem audio(loop, getpid(), emptyRoots(folder));
    audio.addObserver(&observer);
    ASSERT_TRUE(pumpUntil(loop, [&] { return audio.isConnectedToSoundServer(); }));
    EXPECT_EQ(audio.authorizationStatus(), AuthorizationStatus::Authorized);

    const AudioAnswer<AudioDeviceId> input = audio.defaultInputDevice();
    ASSERT_EQ(input.status, 0);
    ASSERT_NE(input.value, 0u);
    ASSERT_TRUE(microphoneNamed(audio, "ostrel_test_source"));
    EXPECT_FALSE(microphoneNamed(audio, "ostrel_test_sink.monitor")); // a monitor
    EXPECT_FALSE(microphoneNamed(audio, "ostrel_test_source")->isInUseByAnotherApplication);

    QProcess recorder;
    recorder.start("parecord", {"--device=ostrel_test_source", folder.path() + "/recording.wav"});
    ASSERT_TRUE(recorder.waitForStarted(10000));
    const qint32 pid = qint32(recorder.processId());
    ASSERT_TRUE(pumpUntil(loop, [&] { return contains(audio.holderPids(), pid); }));
    EXPECT_TRUE(microphoneNamed(audio, "ostrel_test_source")->isInUseByAnotherApplication);
    EXPECT_EQ(audio.isRunningSomewhere(input.value).value, true);
    EXPECT_FALSE(audio.inputStreams(input.value).value.empty());
    EXPECT_NE(audio.clientObjectForPid(pid).value, 0u);
    // The sound server runs the null source; no process holds a device past it.
    EXPECT_EQ(audio.exclusiveOwner(input.value).value, -1);
    EXPECT_GE(observer.usageChanges, 1);

    const int usageChangesWhileRecording = observer.usageChanges;
    recorder.terminate();
    ASSERT_TRUE(recorder.waitForFinished(10000));
    ASSERT_TRUE(pumpUntil(loop, [&] { return !contains(audio.holderPids(), pid); }));
    EXPECT_FALSE(microphoneNamed(audio, "ostrel_test_source")->isInUseByAnotherApplication);
    EXPECT_GT(observer.usageChanges, usageChangesWhileRecording);
    ASSERT_TRUE(pumpUntil(loop, [&] { return audio.clientObjectForPid(pid).value == 0; }));
    audio.removeObserver(&observer);
}

TEST(LinuxAudioSystemTest, ALevelMeterRunsTheSourceButIsNoUse) {
    PrivateSoundServer server;
    ASSERT_TRUE(server.start());
    QTemporaryDir folder;
    ManualRunLoop loop;
    RecordingObserver observer;
    LinuxAudioSystem audio(loop, getpid(), emptyRoots(folder), server.serverString());
    audio.addObserver(&observer);
    ASSERT_TRUE(pumpUntil(loop, [&] { return audio.isConnectedToSoundServer(); }));

    QProcess meter;
    meter.start(OSTREL_LEVEL_METER_CHILD, {server.serverString(), "ostrel_private_source"});
    ASSERT_TRUE(meter.waitForReadyRead(10000));
    ASSERT_TRUE(pumpUntil(loop, [&] { return observer.usageChanges >= 1; }));
    QString sources;
    ASSERT_TRUE(server.pactl({"list", "short", "sources"}, &sources));
    EXPECT_TRUE(sources.contains("RUNNING")) << sources.toStdString();

    const AudioDeviceId input = audio.defaultInputDevice().value;
    ASSERT_NE(input, 0u);
    EXPECT_FALSE(microphoneNamed(audio, "ostrel_private_source")->isInUseByAnotherApplication);
    EXPECT_EQ(audio.isRunningSomewhere(input).value, false);
    EXPECT_TRUE(audio.inputStreams(input).value.empty());
    EXPECT_TRUE(audio.holderPids().empty());

    meter.kill();
    meter.waitForFinished(10000);
    audio.removeObserver(&observer);
}

TEST(LinuxAudioSystemTest, SourcesAppearingAndDisappearingAreDeviceEvents) {
    PrivateSoundServer server;
    ASSERT_TRUE(server.start());
    QTemporaryDir folder;
    ManualRunLoop loop;
    RecordingObserver observer;
    LinuxAudioSystem audio(loop, getpid(), emptyRoots(folder), server.serverString());
    audio.addObserver(&observer);
    ASSERT_TRUE(pumpUntil(loop, [&] { return audio.isConnectedToSoundServer(); }));

    QString module;
    ASSERT_TRUE(
        server.pactl({"load-module", "module-null-source", "source_name=ostrel_second"}, &module));
    ASSERT_TRUE(pumpUntil(loop, [&] { return observer.connected == 1; }));
    EXPECT_TRUE(microphoneNamed(audio, "ostrel_second"));
    EXPECT_EQ(observer.disconnected, 0);

    ASSERT_TRUE(server.pactl({"unload-module", module.trimmed()}));
    ASSERT_TRUE(pumpUntil(loop, [&] { return observer.disconnected == 1; }));
    EXPECT_FALSE(microphoneNamed(audio, "ostrel_second"));
    EXPECT_EQ(observer.connected, 1);
    EXPECT_EQ(observer.resets, 0);
    audio.removeObserver(&observer);
}

TEST(LinuxAudioSystemTest, ALostAndRegainedServerIsOneMediaServicesReset) {
    PrivateSoundServer server;
    ASSERT_TRUE(server.start());
    QTemporaryDir folder;
    ManualRunLoop loop;
    RecordingObserver observer;
    auto audio = std::make_unique<LinuxAudioSystem>(loop, getpid(), emptyRoots(folder),
                                                    server.serverString());
    audio->addObserver(&observer);
    ASSERT_TRUE(pumpUntil(loop, [&] { return audio->isConnectedToSoundServer(); }));
    ASSERT_NE(audio->defaultInputDevice().value, 0u);

    server.kill();
    ASSERT_TRUE(pumpUntil(loop, [&] { return !audio->isConnectedToSoundServer(); }));
    expectEveryServerAnswerNegative(*audio);
    EXPECT_TRUE(audio->microphones().empty());
    EXPECT_EQ(observer.disconnected, 1);
    EXPECT_EQ(observer.resets, 0);

    ASSERT_TRUE(server.start());
    loop.advance(1.0); // the first reconnection
    ASSERT_TRUE(pumpUntil(loop, [&] { return audio->isConnectedToSoundServer(); }));
    EXPECT_EQ(observer.resets, 1);
    EXPECT_EQ(observer.connected, 0); // the reset stands for the sources that came back
    const AudioAnswer<AudioDeviceId> input = audio->defaultInputDevice();
    EXPECT_EQ(input.status, 0);
    EXPECT_NE(input.value, 0u);
    EXPECT_EQ(audio->isRunningSomewhere(input.value).value, false);
    EXPECT_TRUE(microphoneNamed(*audio, "ostrel_private_source"));
    loop.advance(60.0);
    EXPECT_EQ(observer.resets, 1);
    EXPECT_EQ(loop.activeTimerCount(), 0);

    // Going away while the server's loss is still on its way hands nothing to a dead object.
    server.kill();
    audio.reset();
    loop.runPending();
    EXPECT_EQ(observer.resets, 1);
}
