#include "AdvancedFixture.h"

using namespace ostrel;
using testing::FieldsAre;

TEST_F(AdvancedTest, DeviceFindingsAreGuessedOrTakenFromHoldersAndReportedOnce) {
    ProcessTracker& tracker = monitor.processTracker();
    // Where the system cannot name holders, more than 20 descriptors license a guess by name.
    cameras.canTell = audio.canTell = false;
    addProcess(30, "/Applications/zoom.us", 20);
    addProcess(31, "/Applications/zoom.us", 21);
    addProcess(32, "/Library/CoreAudio/helper", 21);
    addProcess(33, "/tmp/x", 25); // neither name nor path says anything of devices
    for (qint32 pid : {30, 31, 32, 33}) {
        tracker.analyzeFileDescriptors(pid);
    }
    ASSERT_EQ(direct.size(), 2u);
    EXPECT_THAT(direct[0], FieldsAre(31, true, true));
    EXPECT_THAT(direct[1], FieldsAre(32, false, true));

    // Where it can, the holders decide, whatever the descriptors.
    cameras.canTell = audio.canTell = true;
    direct.clear();
    addProcess(40, "/home/user/.cache/spy-helper", 3); // few descriptors, suspicious name
    audio.holders = {40};
    tracker.sweepForBriefAccess();
    ASSERT_EQ(direct.size(), 1u);
    EXPECT_THAT(direct[0], FieldsAre(40, false, true));
    // The advanced monitor heard it.
    EXPECT_EQ(records.back().processInfo->name, "Unauthorized Access: spy-helper (PID: 40)");

    // The same finding is not reported again at the next sweeps...
    tracker.sweepForBriefAccess();
    tracker.sweepForBriefAccess();
    EXPECT_EQ(direct.size(), 1u);
    // ...but a change of what it holds is.
    cameras.holders = {40};
    tracker.sweepForBriefAccess();
    ASSERT_EQ(direct.size(), 2u);
    EXPECT_THAT(direct[1], FieldsAre(40, true, true));

    // A new process under the same pid is reported afresh.
    processes.pids.clear();
    tracker.sweepForBriefAccess();
    addProcess(40, "/home/user/.cache/spy-helper", 3);
    tracker.sweepForBriefAccess();
    EXPECT_EQ(direct.size(), 3u);

    // A suspicious process that holds nothing is not reported, whatever its descriptors.
    addProcess(41, "/tmp/keylogger-zoom", 80);
    tracker.sweepForBriefAccess();
    EXPECT_EQ(direct.size(), 3u);

    // A process is judged by its executable at its first sweeps, while a fork becomes its
    // program; a settled one is not read again.
    addProcess(70, "/usr/bin/bash");
    addProcess(71, "/usr/bin/bash");
    audio.holders = {40, 70, 71};
    for (int sweep = 0; sweep < ProcessTracker::sweepsToSettle; ++sweep) {
        tracker.sweepForBriefAccess();
        processes.executablePaths[70] = "/tmp/spy";
    }
    processes.executablePaths[71] = "/tmp/spy";
    tracker.sweepForBriefAccess();
    ASSERT_EQ(direct.size(), 4u);
    EXPECT_THAT(direct[3], FieldsAre(70, false, true));
    // A settled suspicious process is looked at again only when the holders change.
    processes.executablePaths[40] = "/home/user/.cache/spy-helper-2";
    tracker.sweepForBriefAccess();
    EXPECT_EQ(direct.size(), 4u);
    cameras.holders = {};
    tracker.sweepForBriefAccess();
    ASSERT_EQ(direct.size(), 5u);
    EXPECT_THAT(direct[4], FieldsAre(40, false, true));
}

TEST_F(AdvancedTest, PathAndMemoryChecksLogTheirFindings) {
    addProcess(50, "/srv/tool");
    addProcess(51, "rel/tool");
    processes.figures[50].virtualSize = 10ull << 30;
    processes.figures[51].virtualSize = (10ull << 30) + (512ull << 20);
    for (qint32 pid : {50, 51, 52}) {
        monitor.processTracker().checkProcessPath(pid);
        monitor.processTracker().checkMemoryUsage(pid);
    }
    const QString process = "⚠️ [ProcessTracker] Process ";
    EXPECT_EQ(log.lines(), (QStringList{process + "50 running from unusual location: /srv/tool",
                                        process + "51 has suspicious path: rel/tool",
                                        process + "51 running from unusual location: rel/tool",
                                        process + "51 has unusually high virtual memory: 10.50GB",
                                        process + "52 has no accessible path"}));
}

TEST_F(AdvancedTest, LaunchesAndNewProcessesAreHandledOnlyWhileTracking) {
    ProcessTracker& tracker = monitor.processTracker();
    addProcess(60, "/usr/bin/cheese");
    addProcess(61, "/home/user/Games/game");
    addProcess(62, "/home/user/screencap");
    const RunningApplicationRef cheese =
        applications.add({60, "Cheese", "org.gnome.Cheese", std::nullopt, false, true, {}});
    const RunningApplicationRef game =
        applications.add({61, std::nullopt, "org.example.Game", std::nullopt, false, true, {}});
    auto launch = [&](const RunningApplicationRef& application) {
        applications.observers.notify([&](RunningApplicationsObserver& observer) {
            observer.applicationLaunched(application);
        });
    };
    const QString suspicious = "🚨 [ProcessTracker] Suspicious process detected:";

    launch(game);
    EXPECT_TRUE(log.lines().isEmpty());
    tracker.startTracking();
    tracker.startTracking(); // a restart does not double the subscription
    launch(cheese);
    launch(game);
    // Only the unknown game is high-risk, once; it holds nothing, so there is no record.
    ASSERT_EQ(highRisk.size(), 1u);
    EXPECT_THAT(highRisk[0], FieldsAre(61, "Unknown", testing::_));
    EXPECT_TRUE(records.empty());

    // Every 3 s the scan looks at the processes that are new since the last one.
    loop.advance(3.0);
    loop.advance(3.0);
    EXPECT_EQ(log.countStartingWith(suspicious), 1);
    addProcess(63, "/tmp/tool");
    loop.advance(3.0);
    EXPECT_EQ(log.countStartingWith(suspicious), 2);
    EXPECT_TRUE(log.contains("   - Path: /tmp/tool"));

    tracker.startBriefAccessDetection();
    tracker.stopTracking();
    log.clear();
    launch(game);
    loop.advance(10);
    EXPECT_TRUE(log.lines().isEmpty());
}
