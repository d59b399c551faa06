#include "platform/linux/audio/AudioSnapshotQueries.h"

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

constexpr qint32 kOwnPid = 4000;

AudioSource source(quint32 index, const QString& name, bool isMonitor = false,
                   bool isRunning = false) {
    return {index, name, name + QStringLiteral(" description"), isMonitor, isRunning};
}

AudioSourceOutput recording(quint32 index, quint32 sourceIndex, std::optional<quint32> client,
                            std::optional<qint32> pid) {
    AudioSourceOutput output;
    output.index = index;
    output.sourceIndex = sourceIndex;
    output.clientIndex = client;
    output.processId = pid;
    return output;
}

AudioClient client(quint32 index, std::optional<qint32> pid, const QString& applicationId = {},
                   std::optional<qint32> peerPid = std::nullopt) {
    return {index, peerPid, pid, applicationId, {}};
}

// A microphone (index 0, the default) and the monitor of an output (index 1).
AudioSnapshot desktop() {
    AudioSnapshot snapshot;
    snapshot.sources[0] = source(0, QStringLiteral("alsa_input.analog"), false, true);
    snapshot.sources[1] = source(1, QStringLiteral("alsa_output.analog.monitor"), true, true);
    snapshot.defaultSourceName = QStringLiteral("alsa_input.analog");
    return snapshot;
}

std::optional<std::vector<quint32>> streams(std::vector<quint32> ids) {
    return ids;
}

} // namespace

TEST(AudioSnapshotQueriesTest, AMonitorIsNeverAMicrophoneNotEvenAsTheDefault) {
    AudioSnapshot snapshot = desktop();
    snapshot.defaultSourceName = QStringLiteral("alsa_output.analog.monitor");
    snapshot.clients[5] = client(5, 321);
    snapshot.sourceOutputs[2] = recording(2, 1, 5, 321);
    const AudioSnapshotQueries queries(snapshot, kOwnPid);

    const std::vector<CaptureDevice> microphones = queries.microphones();
    ASSERT_EQ(microphones.size(), 1u);
    EXPECT_EQ(microphones[0].uniqueID, "alsa_input.analog");
    EXPECT_EQ(microphones[0].localizedName, "alsa_input.analog description");
    EXPECT_FALSE(microphones[0].isInUseByAnotherApplication);
    EXPECT_TRUE(microphones[0].isConnected);

    EXPECT_EQ(queries.defaultInputDevice(), 0u);
    EXPECT_TRUE(queries.holderPids().empty());

    snapshot.defaultSourceName = QStringLiteral("alsa_input.analog");
    EXPECT_EQ(AudioSnapshotQueries(snapshot, kOwnPid).defaultInputDevice(), 1u);
    snapshot.defaultSourceName = QStringLiteral("gone");
    EXPECT_EQ(AudioSnapshotQueries(snapshot, kOwnPid).defaultInputDevice(), 0u);
}

TEST(AudioSnapshotQueriesTest, MetersOwnAndPausedStreamsAreNoUse) {
    AudioSnapshot snapshot = desktop();
    snapshot.clients[1] = client(1, 501, QStringLiteral("org.gnome.VolumeControl"));
    snapshot.clients[2] = client(2, 502);
    snapshot.clients[3] = client(3, kOwnPid);
    snapshot.clients[4] = client(4, 504);
    snapshot.clients[6] = client(6, 506);
    // GNOME's meter, known by its client.
    snapshot.sourceOutputs[10] = recording(10, 0, 1, 501);
    // pavucontrol's meter, known by the stream's own application id.
    snapshot.sourceOutputs[11] = recording(11, 0, 2, 502);
    snapshot.sourceOutputs[11].applicationId = QStringLiteral("org.PulseAudio.pavucontrol");
    // An unknown volume control, known by its peak detection.
    snapshot.sourceOutputs[12] = recording(12, 0, 4, 504);
    snapshot.sourceOutputs[12].isLevelMeter = true;
    // Ostrel's own stream, with the pid stated by its client only.
    snapshot.sourceOutputs[13] = recording(13, 0, 3, std::nullopt);
    // A paused recorder.
    snapshot.sourceOutputs[14] = recording(14, 0, 6, 506);
    snapshot.sourceOutputs[14].isCorked = true;
    const AudioSnapshotQueries queries(snapshot, kOwnPid);

    // The source runs for the meters, but nobody records from it.
    EXPECT_FALSE(queries.microphones()[0].isInUseByAnotherApplication);
    EXPECT_EQ(queries.isRunningSomewhere(1), std::optional<bool>(false));
    EXPECT_EQ(queries.inputStreams(1), streams({}));
    EXPECT_TRUE(queries.holderPids().empty());
    EXPECT_TRUE(queries.countingOutputs().empty());

    snapshot.sourceOutputs[14].isCorked = false;
    const AudioSnapshotQueries resumed(snapshot, kOwnPid);
    EXPECT_TRUE(resumed.microphones()[0].isInUseByAnotherApplication);
    EXPECT_EQ(resumed.isRunningSomewhere(1), std::optional<bool>(true));
    EXPECT_EQ(resumed.inputStreams(1), streams({15}));
    EXPECT_EQ(resumed.holderPids(), std::vector<qint32>{506});
}

TEST(AudioSnapshotQueriesTest, RunningSomewhereWithoutStreamsAndUnknownDevices) {
    AudioSnapshot snapshot = desktop();
    // Something the server does not show reads the running source.
    EXPECT_EQ(AudioSnapshotQueries(snapshot, kOwnPid).isRunningSomewhere(1),
              std::optional<bool>(true));
    snapshot.sources[0].isRunning = false;
    const AudioSnapshotQueries idle(snapshot, kOwnPid);
    EXPECT_EQ(idle.isRunningSomewhere(1), std::optional<bool>(false));

    EXPECT_EQ(idle.isRunningSomewhere(0), std::nullopt);
    EXPECT_EQ(idle.isRunningSomewhere(7), std::nullopt);
    EXPECT_EQ(idle.inputStreams(7), std::nullopt);
    EXPECT_FALSE(idle.hasDevice(0));
    EXPECT_TRUE(idle.hasDevice(2));
}

TEST(AudioSnapshotQueriesTest, HoldersAreTheDefaultSourcesRecordersInStreamOrderOnce) {
    AudioSnapshot snapshot = desktop();
    snapshot.sources[2] = source(2, QStringLiteral("usb_mic"));
    snapshot.clients[1] = client(1, 200);
    snapshot.clients[2] = client(2, 100);
    // PipeWire tells the pid it saw on the socket; a sandboxed program states another.
    snapshot.clients[3] = client(3, 2, {}, 300);
    snapshot.sourceOutputs[3] = recording(3, 0, 1, 200);
    snapshot.sourceOutputs[5] = recording(5, 0, 2, 100);
    snapshot.sourceOutputs[7] = recording(7, 0, 1, 200);
    snapshot.sourceOutputs[8] = recording(8, 0, 3, 2);
    snapshot.clients[4] = client(4, 400);
    snapshot.sourceOutputs[9] = recording(9, 2, 4, 400); // another source
    // The server's own: a module's stream, and one of PipeWire's filters.
    snapshot.clients[5] = client(5, 500);
    snapshot.clients[5].processBinary = QStringLiteral("pipewire");
    snapshot.sourceOutputs[11] = recording(11, 0, std::nullopt, std::nullopt);
    snapshot.sourceOutputs[12] = recording(12, 0, 5, 500);
    const AudioSnapshotQueries queries(snapshot, kOwnPid);

    EXPECT_EQ(queries.holderPids(), (std::vector<qint32>{200, 100, 300}));
    EXPECT_EQ(queries.inputStreams(1), streams({4, 6, 8, 9}));
    EXPECT_EQ(queries.countingOutputs(), (std::vector<quint32>{3, 5, 7, 8, 9}));

    const std::vector<CaptureDevice> microphones = queries.microphones();
    ASSERT_EQ(microphones.size(), 2u);
    EXPECT_TRUE(microphones[1].isInUseByAnotherApplication);

    EXPECT_EQ(queries.clientObjectForPid(100), 3u);
    EXPECT_EQ(queries.clientObjectForPid(300), 4u);
    EXPECT_EQ(queries.clientObjectForPid(2), 0u);
    EXPECT_EQ(queries.clientObjectForPid(999), 0u);
}
