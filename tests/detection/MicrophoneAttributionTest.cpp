#include "DeviceMonitorFixture.h"
#include "base/ProductIdentity.h"

using namespace ostrel;

TEST_F(DeviceMonitorTest, RankingScalesAndBreaksTiesByListOrder) {
    addApp(10, "Editor", "org.example.Editor");
    addApp(11, "Player", "org.example.Player");
    audio.clientObjects = {{10, 1}, {11, 2}};
    // Both are only known to the audio system: 50 each, the earlier one wins.
    EXPECT_EQ(monitor.detectMicrophoneProcessAtStateChange().value().pid, 10);
    EXPECT_TRUE(log.contains("🎤 [AUDIO-TAP] Top candidate: Editor (priority: 50)"));

    // An active known audio application that the audio system knows: 100+80+60+40+50.
    addApp(12, "Zoom", "us.zoom.xos", true);
    audio.clientObjects[12] = 3;
    EXPECT_EQ(monitor.detectMicrophoneProcessAtStateChange().value().pid, 12);
    EXPECT_TRUE(log.contains("🎤 [AUDIO-TAP] Top candidate: Zoom (priority: 330)"));

    // An application that only declares media use and is active: 80+40.
    applications.applications.clear();
    addApp(13, "Recorder", "org.example.Tool", true);
    applications.pathsByIdentifier["org.example.Tool"] = "/apps/tool";
    applications.infoByPath["/apps/tool"] = {{"NSMicrophoneUsageDescription", "records"}};
    EXPECT_EQ(monitor.detectMicrophoneProcessAtStateChange().value().pid, 13);
    EXPECT_TRUE(log.contains("🎤 [AUDIO-TAP] Top candidate: Recorder (priority: 120)"));
}

TEST_F(DeviceMonitorTest, ChainFallsThroughHogOwnerAndStreamsToHeuristicsButNeverToOstrel) {
    applications.frontmost = addApp(4000, "Ostrel", kBundleIdentifier, true);
    audio.clientObjects[4000] = 9;
    audio.defaultInput = {0, 7};
    audio.owner = {0, 4000}; // Ostrel's own exclusive claim
    audio.holders = {4000};
    EXPECT_FALSE(monitor.detectMicrophoneProcessAtStateChange());

    processes.names[321] = "arecord";
    audio.owner = {0, 321};
    EXPECT_EQ(monitor.detectMicrophoneProcessAtStateChange().value().name, "arecord");

    // No exclusive owner: streams license the keyword match, where the active app wins.
    audio.owner = {0, -1};
    audio.streams = {0, {1, 2}};
    applications.frontmost = addApp(20, "Voice Notes", std::nullopt); // no identifier: skipped
    addApp(21, "Tunes", "org.example.musicbox");
    addApp(22, "Jam", "org.example.musicjam", true);
    EXPECT_EQ(monitor.detectMicrophoneProcessAtStateChange().value().pid, 22);

    // Without streams, a merely running music application is the last heuristic.
    audio.streams = {0, {}};
    EXPECT_EQ(monitor.detectMicrophoneProcessAtStateChange().value().pid, 21);
}
