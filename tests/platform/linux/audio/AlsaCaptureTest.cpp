#include "platform/linux/audio/AlsaCaptureQueries.h"
#include "platform/linux/audio/AlsaCaptureStatus.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

// card0: a capture device run by arecord (4242, opened by its thread 4243) and a running
// playback device; card1: a device run by pulseaudio (700) and one only prepared by arecord,
// without a name; card10: a device run by pipewire (900).
const QString kBusy = QStringLiteral(OSTREL_AUDIO_FIXTURES "/busy");

std::vector<AlsaCapturePcm> busyPcms() {
    return AlsaCaptureStatus(kBusy + "/asound", kBusy + "/proc").capturePcms();
}

} // namespace

TEST(AlsaCaptureTest, ReadsCaptureDevicesInOrderWithTheProcessesRunningThem) {
    const std::vector<AlsaCapturePcm> pcms = busyPcms();
    ASSERT_EQ(pcms.size(), 4u);

    EXPECT_EQ(pcms[0].alsaName(), "hw:0,0");
    EXPECT_EQ(pcms[0].name, "ALC257 Analog");
    ASSERT_EQ(pcms[0].substreams.size(), 1u);
    EXPECT_TRUE(pcms[0].substreams[0].isRunning);
    EXPECT_EQ(pcms[0].substreams[0].ownerPid, 4242); // the process, not its thread
    EXPECT_EQ(pcms[0].substreams[0].ownerName, "arecord");

    EXPECT_EQ(pcms[1].alsaName(), "hw:1,0");
    ASSERT_EQ(pcms[1].substreams.size(), 2u);
    EXPECT_FALSE(pcms[1].substreams[0].isRunning);
    EXPECT_EQ(pcms[1].substreams[0].ownerPid, std::nullopt);
    EXPECT_EQ(pcms[1].substreams[1].number, 1);
    EXPECT_EQ(pcms[1].substreams[1].ownerName, "pulseaudio");

    EXPECT_EQ(pcms[2].alsaName(), "hw:1,2");
    EXPECT_EQ(pcms[2].name, "Mic Array"); // no name: the id
    EXPECT_FALSE(pcms[2].substreams[0].isRunning);

    EXPECT_EQ(pcms[3].alsaName(), "hw:10,0");
    EXPECT_EQ(pcms[3].name, "hw:10,0"); // neither name nor id

    QTemporaryDir empty;
    EXPECT_TRUE(AlsaCaptureStatus(empty.path() + "/missing", empty.path()).capturePcms().empty());
}

TEST(AlsaCaptureTest, TheHogOwnerIsTheRecorderPastTheSoundServers) {
    const std::vector<AlsaCapturePcm> pcms = busyPcms();
    const AlsaCaptureQueries queries(pcms, 1);

    std::vector<bool> inUse;
    for (const CaptureDevice& microphone : queries.microphones()) {
        inUse.push_back(microphone.isInUseByAnotherApplication);
    }
    EXPECT_EQ(inUse, (std::vector<bool>{true, true, false, true}));
    EXPECT_EQ(queries.exclusiveOwner(), 4242);
    EXPECT_EQ(queries.holderPids(), std::vector<qint32>{4242});

    // Ostrel running a device itself is no use by another application and holds nothing.
    const AlsaCaptureQueries asRecorder(pcms, 4242);
    EXPECT_FALSE(asRecorder.microphones()[0].isInUseByAnotherApplication);
    EXPECT_TRUE(asRecorder.holderPids().empty());

    // With only the sound servers running devices there is no hog owner.
    std::vector<AlsaCapturePcm> serversOnly = pcms;
    serversOnly.erase(serversOnly.begin());
    EXPECT_EQ(AlsaCaptureQueries(serversOnly, 1).exclusiveOwner(), -1);
    EXPECT_TRUE(AlsaCaptureQueries(serversOnly, 1).holderPids().empty());
}
