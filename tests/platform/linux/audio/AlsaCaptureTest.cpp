#include "platform/linux/audio/AlsaCaptureQueries.h"
#include "platform/linux/audio/AlsaCaptureStatus.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

// card0: a capture device run by arecord (4242, opened by its thread 4243) and a running
// playback device; card1: a device with a closed substream and one run by pulseaudio (700),
// and one only prepared by arecord, without a name; card10: a device run by pipewire (900).
TEST(AlsaCaptureTest, TheHogOwnerIsTheRecorderPastTheSoundServers) {
    const QString busy = QStringLiteral(OSTREL_AUDIO_FIXTURES "/busy");
    const std::vector<AlsaCapturePcm> pcms =
        AlsaCaptureStatus(busy + "/asound", busy + "/proc").capturePcms();
    ASSERT_EQ(pcms.size(), 4u);
    EXPECT_EQ(pcms[0].substreams[0].ownerName, "arecord"); // the process's, not its thread's
    ASSERT_EQ(pcms[1].substreams.size(), 2u);
    EXPECT_FALSE(pcms[1].substreams[0].isRunning);
    EXPECT_EQ(pcms[1].substreams[0].ownerPid, std::nullopt);
    EXPECT_EQ(pcms[1].substreams[1].number, 1);

    const AlsaCaptureQueries queries(pcms, 1);
    const std::vector<CaptureDevice> microphones = queries.microphones();
    std::vector<QString> ids;
    std::vector<bool> inUse;
    for (const CaptureDevice& microphone : microphones) {
        ids.push_back(microphone.uniqueID);
        inUse.push_back(microphone.isInUseByAnotherApplication);
    }
    EXPECT_EQ(ids, (std::vector<QString>{"hw:0,0", "hw:1,0", "hw:1,2", "hw:10,0"}));
    EXPECT_EQ(inUse, (std::vector<bool>{true, true, false, true}));
    // The name, else the id, else the ALSA name.
    EXPECT_EQ(microphones[0].localizedName, "ALC257 Analog");
    EXPECT_EQ(microphones[2].localizedName, "Mic Array");
    EXPECT_EQ(microphones[3].localizedName, "hw:10,0");
    EXPECT_EQ(queries.exclusiveOwner(), 4242);
    EXPECT_EQ(queries.holderPids(), std::vector<qint32>{4242});

    // Ostrel running a device itself is no use by another application and holds nothing.
    const AlsaCaptureQueries asRecorder(pcms, 4242);
    EXPECT_FALSE(asRecorder.microphones()[0].isInUseByAnotherApplication);
    EXPECT_TRUE(asRecorder.holderPids().empty());

    // With only the sound servers running devices there is no hog owner.
    const std::vector<AlsaCapturePcm> serversOnly(pcms.begin() + 1, pcms.end());
    EXPECT_EQ(AlsaCaptureQueries(serversOnly, 1).exclusiveOwner(), -1);
    EXPECT_TRUE(AlsaCaptureQueries(serversOnly, 1).holderPids().empty());

    QTemporaryDir empty;
    EXPECT_TRUE(AlsaCaptureStatus(empty.path() + "/missing", empty.path()).capturePcms().empty());
}

// One capture device per row, in card order; Ostrel is pid 1; an empty exe cannot be read.
TEST(AlsaCaptureTest, RawRecordersBesideTheSoundServerAreKnownByTheirExecutable) {
    const struct {
        const char *state, *comm, *exe;
        qint32 owner;
    } rows[] = {
        {"RUNNING", "pipewire", "/home/u/spy", 6000}, // renamed itself after a server
        {"RUNNING", "arecord", "/usr/bin/arecord", 4242},
        {"RUNNING", "pipewire", "/usr/bin/pipewire", 900},
        {"RUNNING", "pulseaudio", "", 5000},
        {"RUNNING", "arecord", "/usr/bin/arecord", 4242},
        {"PREPARED", "arecord", "/usr/bin/arecord", 4300},
        {"RUNNING", "ostrel", "/usr/bin/ostrel", 1},
        {"RUNNING", "pulseaudio", "/usr/bin/pulseaudio (deleted)", 700},
    };
    QTemporaryDir root;
    int card = 0;
    for (const auto& row : rows) {
        const QString sub = root.filePath(QStringLiteral("asound/card%1/pcm0c/sub0").arg(card++));
        const QString proc = root.filePath(QStringLiteral("proc/%1").arg(row.owner));
        QFile status(sub + "/status"), comm(proc + "/comm");
        ASSERT_TRUE(QDir().mkpath(sub) && QDir().mkpath(proc) &&
                    status.open(QIODevice::WriteOnly) && comm.open(QIODevice::WriteOnly));
        status.write(QByteArray("state: ") + row.state +
                     "\nowner_pid: " + QByteArray::number(row.owner));
        comm.write(row.comm);
        if (*row.exe) {
            QFile::link(row.exe, proc + "/exe");
        }
    }
    const std::vector<AlsaCapturePcm> pcms =
        AlsaCaptureStatus(root.filePath("asound"), root.filePath("proc")).capturePcms();
    const AlsaCaptureQueries queries(pcms, 1);
    // A hidden executable may be another user's sound server.
    EXPECT_EQ(queries.rawRecorderPids(), (std::vector<qint32>{4242, 6000}));
    EXPECT_EQ(queries.rawRecordedMicrophones().size(), 3u);
    // Without a server, a hidden executable defers to the short name, as it did before.
    EXPECT_EQ(queries.holderPids(), (std::vector<qint32>{6000, 4242}));
}
