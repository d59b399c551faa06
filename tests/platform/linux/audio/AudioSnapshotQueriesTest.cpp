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

StreamOwner process(qint32 pid) {
    return {StreamOwner::Kind::Process, pid, {}, false};
}

AudioClient client(StreamOwner owner) {
    AudioClient client;
    client.owner = std::move(owner);
    return client;
}

AudioSourceOutput recording(std::optional<quint32> client, StreamOwner owner,
                            quint32 sourceIndex = 0) {
    AudioSourceOutput output;
    output.sourceIndex = sourceIndex;
    output.clientIndex = client;
    output.owner = std::move(owner);
    return output;
}

} // namespace

TEST(AudioSnapshotQueriesTest, MonitorsAreNoMicrophonesAndUnknownDevicesHaveNoAnswers) {
    AudioSnapshot snapshot = desktop();
    snapshot.defaultSourceName = "alsa_output.analog.monitor";
    snapshot.clients[5] = client(process(321));
    snapshot.sourceOutputs[2] = recording(5, process(321), 1);
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

TEST(AudioSnapshotQueriesTest, MetersOwnServersAndPausedStreamsAreNoUse) {
    AudioSnapshot snapshot = desktop();
    StreamOwner volumeControl = process(501);
    volumeControl.isVolumeControl = true;
    snapshot.clients[1] = client(volumeControl);
    snapshot.clients[2] = client({StreamOwner::Kind::SoundServer, 0, "pipewire-pulse", false});
    snapshot.clients[3] = client(process(kOwnPid));
    snapshot.clients[4] = client(process(504));
    snapshot.clients[6] = client(process(506));
    // A volume control known by its executable; the sound server's own stream; an unknown
    // meter known by its peak detection; Ostrel's own stream; a paused recorder.
    snapshot.sourceOutputs[10] = recording(1, volumeControl);
    snapshot.sourceOutputs[11] = recording(2, snapshot.clients[2].owner);
    snapshot.sourceOutputs[12] = recording(4, process(504));
    snapshot.sourceOutputs[12].isLevelMeter = true;
    snapshot.sourceOutputs[13] = recording(3, process(kOwnPid));
    snapshot.sourceOutputs[14] = recording(6, process(506));
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

TEST(AudioSnapshotQueriesTest, HoldersAreEveryMicrophonesRecordersDefaultFirstEachOnce) {
    AudioSnapshot snapshot = desktop();
    snapshot.sources[2] = {2, "usb_mic", "USB Microphone", false, false};
    const StreamOwner unverified{StreamOwner::Kind::Unverified, 0, "parecord (unverified)", false};
    snapshot.clients[1] = client(process(200));
    snapshot.clients[2] = client(process(100));
    snapshot.clients[3] = client(unverified);
    snapshot.clients[4] = client(process(400));
    snapshot.sourceOutputs[3] = recording(1, process(200));
    snapshot.sourceOutputs[4] = recording(4, process(400), 2);
    snapshot.sourceOutputs[5] = recording(2, process(100));
    snapshot.sourceOutputs[7] = recording(1, process(200));
    snapshot.sourceOutputs[8] = recording(3, unverified);
    // A module's stream, and a recorder of what the speakers play.
    snapshot.sourceOutputs[11] = recording(std::nullopt, process(600));
    snapshot.sourceOutputs[12] = recording(2, process(100), 1);
    const AudioSnapshotQueries queries(snapshot, kOwnPid);

    EXPECT_EQ(queries.holderPids(), (std::vector<qint32>{200, 100, 400}));
    EXPECT_EQ(queries.unnamedHolders(), std::vector<QString>{"parecord (unverified)"});
    EXPECT_EQ(queries.inputStreams(1), (std::vector<quint32>{4, 6, 8, 9}));
    EXPECT_EQ(queries.countingOutputs(), (std::vector<quint32>{3, 4, 5, 7, 8, 12}));
    const std::vector<CaptureDevice> microphones = queries.microphones();
    ASSERT_EQ(microphones.size(), 2u);
    EXPECT_TRUE(microphones[1].isInUseByAnotherApplication);

    EXPECT_EQ(queries.clientObjectForPid(100), 3u);
    EXPECT_EQ(queries.clientObjectForPid(400), 5u);
    EXPECT_EQ(queries.clientObjectForPid(999), 0u);
}
