#include "platform/linux/audio/AudioSnapshotQueries.h"

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

constexpr qint32 kOwnPid = 4000;

// A running microphone (index 0, the default) and the running monitor of an output (index 1).
AudioSnapshot desktop() {
    AudioSnapshot snapshot;
    snapshot.sources[0] = {0, "alsa_input.analog", "Built-in Microphone", false, true};
    snapshot.sources[1] = {1, "alsa_output.analog.monitor", "Monitor of Speakers", true, true};
    snapshot.defaultSourceName = "alsa_input.analog";
    return snapshot;
}

AudioClient client(std::optional<qint32> pid, const QString& applicationId = {},
                   std::optional<qint32> peerPid = std::nullopt, const QString& binary = {}) {
    return {0, peerPid, pid, applicationId, binary};
}

AudioSourceOutput recording(std::optional<quint32> client, std::optional<qint32> pid,
                            quint32 sourceIndex = 0) {
    AudioSourceOutput output;
    output.sourceIndex = sourceIndex;
    output.clientIndex = client;
    output.processId = pid;
    return output;
}

} // namespace

TEST(AudioSnapshotQueriesTest, MonitorsAreNoMicrophonesAndUnknownDevicesHaveNoAnswers) {
    AudioSnapshot snapshot = desktop();
    snapshot.defaultSourceName = "alsa_output.analog.monitor";
    snapshot.clients[5] = client(321);
    snapshot.sourceOutputs[2] = recording(5, 321, 1);
    const AudioSnapshotQueries queries(snapshot, kOwnPid);

    const std::vector<CaptureDevice> microphones = queries.microphones();
    ASSERT_EQ(microphones.size(), 1u);
    EXPECT_EQ(microphones[0].uniqueID, "alsa_input.analog");
    EXPECT_EQ(microphones[0].localizedName, "Built-in Microphone");
    EXPECT_FALSE(microphones[0].isInUseByAnotherApplication);
    EXPECT_EQ(queries.defaultInputDevice(), 0u);
    EXPECT_TRUE(queries.holderPids().empty());

    snapshot.defaultSourceName = "alsa_input.analog";
    EXPECT_EQ(AudioSnapshotQueries(snapshot, kOwnPid).defaultInputDevice(), 1u);
    snapshot.defaultSourceName = "gone";
    EXPECT_EQ(AudioSnapshotQueries(snapshot, kOwnPid).defaultInputDevice(), 0u);

    // Something the server does not show reads the running microphone that has no stream.
    EXPECT_EQ(AudioSnapshotQueries(snapshot, kOwnPid).isRunningSomewhere(1), true);
    snapshot.sources[0].isRunning = false;
    const AudioSnapshotQueries idle(snapshot, kOwnPid);
    EXPECT_EQ(idle.isRunningSomewhere(1), false);

    EXPECT_EQ(idle.isRunningSomewhere(0), std::nullopt);
    EXPECT_EQ(idle.isRunningSomewhere(7), std::nullopt);
    EXPECT_EQ(idle.inputStreams(7), std::nullopt);
    EXPECT_FALSE(idle.hasDevice(0));
    EXPECT_TRUE(idle.hasDevice(2));
}

TEST(AudioSnapshotQueriesTest, MetersOwnAndPausedStreamsAreNoUse) {
    AudioSnapshot snapshot = desktop();
    snapshot.clients[1] = client(501, "org.gnome.VolumeControl");
    snapshot.clients[2] = client(502);
    snapshot.clients[3] = client(kOwnPid);
    snapshot.clients[4] = client(504);
    snapshot.clients[6] = client(506);
    // GNOME's meter, known by its client; pavucontrol's, by the stream's own application id;
    // an unknown volume control's, by its peak detection; Ostrel's own stream, with the pid
    // stated by its client only; a paused recorder.
    snapshot.sourceOutputs[10] = recording(1, 501);
    snapshot.sourceOutputs[11] = recording(2, 502);
    snapshot.sourceOutputs[11].applicationId = "org.PulseAudio.pavucontrol";
    snapshot.sourceOutputs[12] = recording(4, 504);
    snapshot.sourceOutputs[12].isLevelMeter = true;
    snapshot.sourceOutputs[13] = recording(3, std::nullopt);
    snapshot.sourceOutputs[14] = recording(6, 506);
    snapshot.sourceOutputs[14].isCorked = true;
    const AudioSnapshotQueries queries(snapshot, kOwnPid);

    // The source runs for the meters, but nobody records from it.
    EXPECT_FALSE(queries.microphones()[0].isInUseByAnotherApplication);
    EXPECT_EQ(queries.isRunningSomewhere(1), false);
    EXPECT_EQ(queries.inputStreams(1), std::vector<quint32>{});
    EXPECT_TRUE(queries.holderPids().empty());
    EXPECT_TRUE(queries.countingOutputs().empty());

    snapshot.sourceOutputs[14].isCorked = false;
    const AudioSnapshotQueries resumed(snapshot, kOwnPid);
    EXPECT_TRUE(resumed.microphones()[0].isInUseByAnotherApplication);
    EXPECT_EQ(resumed.isRunningSomewhere(1), true);
    EXPECT_EQ(resumed.inputStreams(1), std::vector<quint32>{15});
    EXPECT_EQ(resumed.holderPids(), std::vector<qint32>{506});
}

TEST(AudioSnapshotQueriesTest, HoldersAreTheDefaultSourcesRecordersInStreamOrderOnce) {
    AudioSnapshot snapshot = desktop();
    snapshot.sources[2] = {2, "usb_mic", "USB Microphone", false, false};
    snapshot.clients[1] = client(200);
    snapshot.clients[2] = client(100);
    // PipeWire tells the pid it saw on the socket; a sandboxed program states another.
    snapshot.clients[3] = client(2, {}, 300);
    snapshot.clients[4] = client(400);
    snapshot.clients[5] = client(500, {}, std::nullopt, "pipewire");
    snapshot.sourceOutputs[3] = recording(1, 200);
    snapshot.sourceOutputs[5] = recording(2, 100);
    snapshot.sourceOutputs[7] = recording(1, 200);
    snapshot.sourceOutputs[8] = recording(3, 2);
    snapshot.sourceOutputs[9] = recording(4, 400, 2);
    // The server's own: a module's stream, and one of PipeWire's filters.
    snapshot.sourceOutputs[11] = recording(std::nullopt, std::nullopt);
    snapshot.sourceOutputs[12] = recording(5, 500);
    const AudioSnapshotQueries queries(snapshot, kOwnPid);

    EXPECT_EQ(queries.holderPids(), (std::vector<qint32>{200, 100, 300}));
    EXPECT_EQ(queries.inputStreams(1), (std::vector<quint32>{4, 6, 8, 9}));
    EXPECT_EQ(queries.countingOutputs(), (std::vector<quint32>{3, 5, 7, 8, 9}));
    const std::vector<CaptureDevice> microphones = queries.microphones();
    ASSERT_EQ(microphones.size(), 2u);
    EXPECT_TRUE(microphones[1].isInUseByAnotherApplication);

    EXPECT_EQ(queries.clientObjectForPid(100), 3u);
    EXPECT_EQ(queries.clientObjectForPid(300), 4u);
    EXPECT_EQ(queries.clientObjectForPid(2), 0u);
    EXPECT_EQ(queries.clientObjectForPid(999), 0u);
}
