#include "DeviceMonitorFixture.h"
#include "base/ProductIdentity.h"

using namespace ostrel;

TEST_F(DeviceMonitorTest, RankingScalesAndBreaksTiesByListOrder) {
    addApp(10, "Editor", "org.example.Editor");
    addApp(11, "Player", "org.example.Player");
    audio.clientObjects = {{10, 1}, {11, 2}};
    // Both are only known to the audio system: 50 each, the earlier one wins.
    std::optional<ProcessInfo> found = monitor.detectMicrophoneProcessAtStateChange();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->pid, 10);
    EXPECT_TRUE(log.contains("🎤 [AUDIO-TAP] Top candidate: Editor (priority: 50)"));

    // An active known audio application that the audio system knows: 100+80+60+40+50.
    addApp(12, "Zoom", "us.zoom.xos", true);
    audio.clientObjects[12] = 3;
    found = monitor.detectMicrophoneProcessAtStateChange();
    EXPECT_EQ(found->pid, 12);
    EXPECT_TRUE(log.contains("🎤 [AUDIO-TAP] Top candidate: Zoom (priority: 330)"));

    // An application that only declares media use and is active: 80+40.
    applications.applications.clear();
    addApp(13, "Recorder", "org.example.Tool", true);
    applications.pathsByIdentifier["org.example.Tool"] = "/apps/tool";
    applications.infoByPath["/apps/tool"] = {{"NSMicrophoneUsageDescription", "records"}};
    found = monitor.detectMicrophoneProcessAtStateChange();
    EXPECT_EQ(found->pid, 13);
    EXPECT_TRUE(log.contains("🎤 [AUDIO-TAP] Top candidate: Recorder (priority: 120)"));

    // "mic" anywhere in the identifier makes an application a known audio one.
    applications.applications.clear();
    addApp(14, "Word", "com.microsoft.Word");
    EXPECT_EQ(monitor.detectMicrophoneProcessAtStateChange()->pid, 14);
}

TEST_F(DeviceMonitorTest, MicrophoneIsNeverAttributedToOstrel) {
    const RunningApplicationRef own = addApp(4000, "Ostrel", kBundleIdentifier, true);
    applications.frontmost = own;
    audio.clientObjects[4000] = 9;
    audio.defaultInput = {0, 7};
    audio.owner = {0, 4000}; // Ostrel's own exclusive claim
    audio.holders = {4000};
    EXPECT_FALSE(monitor.detectMicrophoneProcessAtStateChange());
    EXPECT_TRUE(log.contains("🎤 [STATE-DETECT] No confident process detection at state change"));
}

TEST_F(DeviceMonitorTest, ChainFallsThroughHogOwnerAndStreamsToHeuristics) {
    audio.defaultInput = {0, 7};
    processes.names[321] = "arecord";
    audio.owner = {0, 321};
    EXPECT_EQ(monitor.detectMicrophoneProcessAtStateChange()->name, "arecord");
    EXPECT_TRUE(log.contains("🎤 [CORE-AUDIO] Found hog mode process: 321"));

    // No exclusive owner: input streams license the keyword match of the frontmost app.
    audio.owner = {0, -1};
    audio.streams = {0, {1, 2}};
    const RunningApplicationRef frontmost = addApp(20, "Voice Notes", std::nullopt, false);
    applications.frontmost = frontmost;              // no identifier: skipped
    addApp(21, "Jam", "org.example.musicjam", true); // likely, yet not ranked
    EXPECT_EQ(monitor.detectMicrophoneProcessAtStateChange()->pid, 21);
    EXPECT_TRUE(log.contains("🎤 [STREAMS] Found 2 input streams"));
    EXPECT_TRUE(log.contains("🎤 [LIKELY] Active known audio app: Jam"));
}

TEST_F(DeviceMonitorTest, MerelyRunningMusicAppIsTheLastHeuristic) {
    // Nothing ranks (not known to the audio system, no list match), no device, no streams.
    addApp(30, "Tunes", "org.example.musicbox");
    EXPECT_EQ(monitor.detectMicrophoneProcessAtStateChange()->pid, 30);
    EXPECT_TRUE(log.contains("🎤 [STATE-DETECT] Known audio app running: Tunes"));
}

TEST_F(DeviceMonitorTest, RecordingClientNamedByTheSoundServerWins) {
    // A browser in front would be the "likely" answer; the real recorder is a hidden tool.
    const RunningApplicationRef browser = addApp(40, "Firefox", "org.mozilla.firefox", true);
    applications.frontmost = browser;
    processes.names[555] = "ostrel-helper";
    audio.holders = {4000, 555};

    setMicrophoneInUse(true);
    monitor.checkMicrophoneStatus();
    ASSERT_EQ(delegate.reports.size(), 1u);
    EXPECT_EQ(delegate.reports[0].process->pid, 555);
    EXPECT_EQ(delegate.reports[0].process->name, "ostrel-helper");
    EXPECT_TRUE(log.contains("🎤 [HOLDER] Microphone recorded by ostrel-helper (PID: 555)"));
    EXPECT_EQ(monitor.getMicrophoneProcess()->pid, 555);
}
