#include "DeviceMonitorFixture.h"
#include "base/ProductIdentity.h"

using namespace ostrel;

TEST_F(DeviceMonitorTest, CameraCacheIsFreshThenConfirmedOrSwitched) {
    addApp(10, "Cheese", "org.gnome.Cheese");   // "cheese" matches nothing...
    addApp(11, "Webcam", "org.example.Camera"); // ...this one is a known camera app
    ASSERT_EQ(monitor.getCameraProcess().value().pid, 11);

    // A better candidate is not looked at while the answer is fresh (under 0.5 s)...
    loop.advance(0.4);
    applications.frontmost = addApp(12, "Video Call", "org.example.VideoCall", true);
    EXPECT_EQ(monitor.getCameraProcess().value().pid, 11);
    // ...and an answer the ranking confirms when stale is fresh again.
    applications.applications.pop_back();
    loop.advance(0.2);
    EXPECT_EQ(monitor.getCameraProcess().value().pid, 11);
    applications.applications.push_back(applications.frontmost);
    loop.advance(0.3);
    EXPECT_EQ(monitor.getCameraProcess().value().pid, 11);

    loop.advance(0.3);
    EXPECT_EQ(monitor.getCameraProcess().value().pid, 12);
    EXPECT_TRUE(log.contains("📷 [PRIORITY] Top camera candidate: Video Call (priority: 310)"));
}

TEST_F(DeviceMonitorTest, OpenFileListingSkipsBadLinesAndOstrelItself) {
    processes.executablePaths[77] = "/usr/bin/ffmpeg";
    processes.executablePaths[4000] = "/usr/bin/ostrel";
    ChildProcessResult listing;
    listing.outcome = ChildProcessResult::Outcome::Exited;
    listing.exitStatus = 1; // lsof reports unreadable files this way; the listing counts
    listing.standardOutput = "COMMAND PID USER FD TYPE DEVICE NAME\n"
                             "tool abc root 3u CHR 81,0 /dev/video0\n"
                             "tool 0 root 3u CHR 81,0 /dev/video0\n"
                             "ostrel 4000 root 3u CHR 81,0 /dev/video0\n"
                             "audio 55 root 3u CHR 116,2 /dev/snd/pcmC0D0c\n"
                             "orphan 66 root 3u CHR 81,0 /dev/camera-link\n"
                             "ffmpeg +77 root 3u CHR 81,0 /dev/video0\n";
    children.answer = [&](const FakeChildProcessRunner::Call&) { return listing; };
    EXPECT_EQ(monitor.getCameraProcess().value().name, "ffmpeg");
    EXPECT_EQ(children.calls.at(0).program, "/usr/bin/lsof");
    EXPECT_EQ(children.calls[0].arguments, (QStringList{"+D", "/dev/", "2>/dev/null"}));
    EXPECT_EQ(children.calls[0].standardError, ChildProcessRunner::StandardError::Discard);

    // The open-file answer is not cached.
    EXPECT_EQ(monitor.getCameraProcess().value().pid, 77);
    EXPECT_EQ(children.calls.size(), 2u);

    // A listing cut short is no answer, whatever it holds.
    listing.outcome = ChildProcessResult::Outcome::TimedOut;
    listing.error = "stopped";
    EXPECT_EQ(monitor.getCameraProcess().value().name, "Unknown Process");
    EXPECT_TRUE(log.contains("🔍 [DEBUG] Video lsof command failed: stopped"));
}

TEST_F(DeviceMonitorTest, FallbackWalksActiveThenIdentifiedAppsAndNeverEndsInOstrel) {
    // None ranks as a camera application; Ostrel and the system's applications are passed over.
    applications.frontmost = addApp(4000, "Ostrel", kBundleIdentifier, true);
    addApp(20, "Notes", "com.apple.Notes", true, true);
    addApp(30, "Mail", "org.example.Mail", false, true);
    addApp(31, "Camera Daemon", std::nullopt, false, false);
    addApp(32, "Sound", "org.example.audiotool", false, false);
    addApp(33, "Streamer", "org.example.streamer", true, false);
    for (qint32 pid : {33, 32, 31, 30}) { // identified before unidentified
        EXPECT_EQ(monitor.getCameraProcess().value().pid, pid);
        applications.applications.pop_back();
    }
    EXPECT_EQ(monitor.getCameraProcess().value().name, "Unknown Process");

    // An application that only calls itself Ostrel is never answered either.
    applications.applications.clear();
    applications.frontmost = addApp(22, "Ostrel Preview", "org.example.media.Preview", true);
    EXPECT_FALSE(monitor.getCameraProcess());
}

TEST_F(DeviceMonitorTest, HoldersTheSystemNamesWinOverTheLikelyFrontmostApp) {
    applications.frontmost = addApp(40, "Zoom", "us.zoom.xos", true);
    processes.executablePaths[555] = "/opt/hidden/recorder";
    processes.names[556] = "ostrel-helper";
    cameras.holders = {4000, 555};
    audio.holders = {4000, 556};
    setCameraInUse(true);
    setMicrophoneInUse(true);
    monitor.checkDevices();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].process.value().name, "recorder");
    EXPECT_EQ(reports[1].process.value().name, "ostrel-helper");
    EXPECT_EQ(monitor.getMicrophoneProcess().value().pid, 556);

    // The holder is cached like a ranking winner; a holder gone before it is named is skipped.
    cameras.holders = {557};
    EXPECT_EQ(monitor.getCameraProcess().value().pid, 555);
    cameras.holders = {557, 555};
    loop.advance(0.6);
    EXPECT_EQ(monitor.getCameraProcess().value().pid, 555);
}

// A holder known only by name beats a guess, but carries no pid that could belong to anyone.
TEST_F(DeviceMonitorTest, HoldersKnownOnlyByNameAreNamedWithoutAPid) {
    applications.frontmost = addApp(40, "Zoom", "us.zoom.xos", true);
    cameras.holders = {4000};
    cameras.unnamed = {"a process Ostrel cannot inspect"};
    audio.unnamed = {"parecord (unverified)"};
    setCameraInUse(true);
    setMicrophoneInUse(true);
    monitor.checkDevices();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].process.value().name, "a process Ostrel cannot inspect");
    EXPECT_EQ(reports[1].process.value().name, "parecord (unverified)");
    EXPECT_EQ(reports[1].process.value().pid, -1);
}
