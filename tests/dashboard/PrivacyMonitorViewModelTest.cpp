#include "DashboardFixture.h"
#include "dashboard/PersistableActivityItem.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace ostrel {
namespace {

using Signal = FakeProcessControl::Signal;

class PrivacyMonitorViewModelTest : public DashboardFixture {
protected:
    std::vector<PersistableActivityItem> stored() {
        return decodeRecentActivities(
                   settings.value(PrivacyMonitorViewModel::recentActivitiesKey).toByteArray())
            .items.value_or(std::vector<PersistableActivityItem>{});
    }

    // A stored row `age` seconds old.
    QJsonObject storedRow(const QString& name, double age, const QString& status = "allowed") {
        const double sinceReference =
            double(loop.now().toMSecsSinceEpoch()) / 1000.0 - 978307200.0 - age;
        return {{"appName", name},
                {"iconName", "video.fill"},
                {"accessType", QJsonArray{"Camera"}},
                {"timestamp", sinceReference},
                {"duration", "0:12"},
                {"status", status}};
    }

    void store(const QJsonArray& rows) {
        settings.setValue(PrivacyMonitorViewModel::recentActivitiesKey,
                          QJsonDocument(rows).toJson(QJsonDocument::Compact));
    }
};

TEST_F(PrivacyMonitorViewModelTest, EndedProcessesBecomeOneAllowedRowMadeFromTheCameraRow) {
    auto model = makeModel();
    EXPECT_TRUE(log.contains("🔗 [PrivacyMonitorViewModel] Connected to device monitor"));
    EXPECT_TRUE(log.contains("📂 [PrivacyMonitorViewModel] No persisted recent activities found"));

    const ProcessInfo zoom = runningProcess(700, "zoom.us");
    useCamera(zoom);
    loop.advance(1.9);
    EXPECT_TRUE(model->activeProcesses().isEmpty()); // the first refresh comes after 2 s
    loop.advance(0.1);
    ASSERT_EQ(model->activeProcesses().size(), 1);
    EXPECT_EQ(model->activeProcesses()[0].statusText, "Active • Camera in use");

    stopDevices();
    loop.advance(2.0);
    EXPECT_TRUE(model->activeProcesses().isEmpty());
    ASSERT_EQ(model->recentActivities().size(), 1);
    const ActivityItem& ended = model->recentActivities()[0];
    EXPECT_EQ(ended.appName, "zoom.us");
    EXPECT_EQ(ended.accessType, QList<DeviceType>{DeviceType::Camera});
    EXPECT_EQ(ended.status, ActivityStatus::Allowed);
    const qint64 offset = loop.now().msecsTo(ended.timestamp);
    EXPECT_GE(offset, 1);
    EXPECT_LE(offset, 999);
    ASSERT_EQ(stored().size(), 1u);
    EXPECT_EQ(stored()[0].iconName, "camera.fill");
    EXPECT_TRUE(log.contains("💾 [PrivacyMonitorViewModel] Saved 1 recent activities"));

    // One process on both devices: two rows with one pid; when it ends, one camera row.
    const ProcessInfo meet = runningProcess(800, "Meet");
    useCamera(meet);
    useMicrophone(meet);
    loop.advance(2.0);
    ASSERT_EQ(model->activeProcesses().size(), 2);
    EXPECT_EQ(model->activeProcesses()[0].pid, 800);
    EXPECT_TRUE(model->activeProcesses()[0].accessingCamera);
    EXPECT_TRUE(model->activeProcesses()[1].accessingMicrophone);
    stopDevices();
    loop.advance(2.0);
    ASSERT_EQ(model->recentActivities().size(), 2);
    EXPECT_EQ(model->recentActivities()[0].appName, "Meet");
    EXPECT_EQ(model->recentActivities()[0].accessType, QList<DeviceType>{DeviceType::Camera});
}

TEST_F(PrivacyMonitorViewModelTest, MonitoringOffClearsTheListWithoutMakingRows) {
    auto model = makeModel();
    useCamera(runningProcess(700, "zoom.us"));
    loop.advance(2.0);
    ASSERT_EQ(model->activeProcesses().size(), 1);
    source.monitoring = false;
    loop.advance(2.0);
    EXPECT_TRUE(model->activeProcesses().isEmpty());
    EXPECT_FALSE(model->isMonitoringActive());
    source.monitoring = true;
    stopDevices();
    loop.advance(2.0);
    EXPECT_TRUE(model->recentActivities().isEmpty());
}

TEST_F(PrivacyMonitorViewModelTest, KeepsTwentyRowsInMemoryAndInTheStore) {
    auto model = makeModel();
    for (int index = 0; index < 21; ++index) {
        useCamera(runningProcess(1000 + index, QStringLiteral("app%1").arg(index)));
        loop.advance(2.0);
        stopDevices();
        loop.advance(2.0);
    }
    ASSERT_EQ(model->recentActivities().size(), 20);
    EXPECT_EQ(model->recentActivities().first().appName, "app20");
    EXPECT_EQ(model->recentActivities().last().appName, "app1");
    ASSERT_EQ(stored().size(), 20u);
    EXPECT_EQ(stored().back().appName, "app1");

    // A new model reads back the same rows, newest first.
    model.reset();
    auto reloaded = makeModel();
    ASSERT_EQ(reloaded->recentActivities().size(), 20);
    EXPECT_EQ(reloaded->recentActivities().first().appName, "app20");
    EXPECT_TRUE(log.contains("📂 [PrivacyMonitorViewModel] Loaded 20 recent activities from "
                             "persistence"));
}

TEST_F(PrivacyMonitorViewModelTest, LoadingKeepsTwentyFreshRowsAndSavesTheShorterList) {
    QJsonArray rows;
    for (int index = 0; index < 25; ++index) {
        rows.append(storedRow(QStringLiteral("row%1").arg(index), 60.0 * index));
    }
    store(rows);
    auto model = makeModel();
    ASSERT_EQ(model->recentActivities().size(), 20);
    EXPECT_EQ(model->recentActivities().last().appName, "row19");
    EXPECT_EQ(stored().size(), 20u);

    // Exactly 7 days old goes, 6 days old stays; a row without an icon name gets one by its
    // devices.
    QJsonObject withoutIcon = storedRow("mic only", 10);
    withoutIcon.remove("iconName");
    withoutIcon["accessType"] = QJsonArray{"Microphone"};
    store({storedRow("six days", 6 * 86400.0), storedRow("seven days", 7 * 86400.0), withoutIcon});
    log.clear();
    model->loadRecentActivities();
    ASSERT_EQ(model->recentActivities().size(), 2);
    EXPECT_EQ(model->recentActivities()[0].appName, "six days");
    EXPECT_EQ(model->recentActivities()[1].icon, IconReference::symbol("mic.fill"));
    EXPECT_EQ(model->filteredActivities().size(), 2);
    EXPECT_EQ(stored().size(), 2u);
    EXPECT_EQ(model->recentActivities()[0].timeAgo(loop.now()), "6 days ago");
}

TEST_F(PrivacyMonitorViewModelTest, OneMalformedRowFailsTheWholeStoredListAndLeavesItStored) {
    store({storedRow("fine", 10), storedRow("odd", 20, "paused")});
    const QByteArray bytes =
        settings.value(PrivacyMonitorViewModel::recentActivitiesKey).toByteArray();
    auto model = makeModel();
    EXPECT_TRUE(model->recentActivities().isEmpty());
    EXPECT_EQ(log.countStartingWith("❌ [PrivacyMonitorViewModel] Failed to load recent "
                                    "activities: "),
              1);
    EXPECT_EQ(settings.value(PrivacyMonitorViewModel::recentActivitiesKey).toByteArray(), bytes);

    for (const QByteArray& damaged :
         {QByteArray("{}"), QByteArray("[1]"), QByteArray("[{\"appName\":\"x\"}]"),
          QByteArray("not json")}) {
        EXPECT_FALSE(decodeRecentActivities(damaged).items) << damaged.constData();
    }
}

TEST_F(PrivacyMonitorViewModelTest, RecordsTextsAndIcons) {
    EXPECT_EQ(iconNameFor("Zoom", {DeviceType::Microphone}), "video.fill");
    EXPECT_EQ(iconNameFor("zoom.us", {DeviceType::Microphone}), "mic.fill");
    EXPECT_EQ(iconNameFor("cheese", {DeviceType::Microphone, DeviceType::Camera}), "camera.fill");
    EXPECT_EQ(iconNameFor("cheese", {}), "mic.fill");

    const QDateTime now = loop.now();
    ActivityItem item{"x", {}, {DeviceType::Camera}, now, "0:01", ActivityStatus::Allowed};
    const auto agoAfter = [&](double seconds) {
        return item.timeAgo(now.addMSecs(qint64(seconds * 1000)));
    };
    EXPECT_EQ(agoAfter(-0.5), "Just now");
    EXPECT_EQ(agoAfter(59), "Just now");
    EXPECT_EQ(agoAfter(61), "1 minute ago");
    EXPECT_EQ(agoAfter(150), "2 minutes ago");
    EXPECT_EQ(agoAfter(7200), "2 hours ago");
    EXPECT_EQ(agoAfter(86400), "1 day ago");

    // The stored time stamp keeps its milliseconds through the 2001-based number.
    item.timestamp = now.addMSecs(437);
    const auto decoded =
        decodeRecentActivities(encodeRecentActivities({PersistableActivityItem::from(item)}));
    ASSERT_TRUE(decoded.items);
    EXPECT_EQ(decoded.items->at(0).timestamp, item.timestamp);
}

TEST_F(PrivacyMonitorViewModelTest, SearchNarrowsBothListsCaseInsensitively) {
    auto model = makeModel();
    for (const QString name : {"Zoom", "zoom.us", "Cheese"}) {
        useCamera(runningProcess(name.size() * 100, name));
        loop.advance(2.0);
        stopDevices();
        loop.advance(2.0);
    }
    useCamera(runningProcess(900, "zoom.us"));
    loop.advance(2.0);
    model->setSearchText("ZO");
    model->filterActivities();
    ASSERT_EQ(model->filteredActivities().size(), 2);
    EXPECT_EQ(model->filteredActiveProcesses().size(), 1);
    model->setSearchText("");
    model->filterActivities();
    EXPECT_EQ(model->filteredActivities().size(), 3);
}

TEST_F(PrivacyMonitorViewModelTest, DurationsAreMeasuredFromWhenTheDeviceBecameActive) {
    // The process was already using the camera when the dashboard opened.
    source.cameraSince = loop.monotonicNow();
    loop.advance(64.0);
    useCamera(runningProcess(700, "zoom.us"));
    auto model = makeModel();
    loop.advance(2.0);
    ASSERT_EQ(model->activeProcesses().size(), 1);
    EXPECT_EQ(model->activeProcesses()[0].duration, "1:06");
    loop.advance(600.0);
    EXPECT_EQ(model->activeProcesses()[0].duration, "11:06");

    // A newcomer on the microphone starts no earlier than the refresh before it appeared.
    source.microphoneSince = loop.monotonicNow() - std::chrono::seconds(3600);
    useMicrophone(runningProcess(701, "recorder"));
    loop.advance(2.0);
    EXPECT_EQ(model->activeProcesses()[1].duration, "0:02");

    // The placeholder and the unidentified row keep their words.
    stopDevices();
    useMicrophone(ProcessInfo::microphonePlaceholder());
    loop.advance(2.0);
    ASSERT_EQ(model->activeProcesses().size(), 1);
    EXPECT_EQ(model->activeProcesses()[0].duration, "Detecting...");
    EXPECT_EQ(model->activeProcesses()[0].icon, IconReference::symbol("waveform.circle"));
}

TEST_F(PrivacyMonitorViewModelTest, TheUnidentifiedRowKeepsOneIdentityAndEndsAsOneRow) {
    auto model = makeModel();
    useCamera(std::nullopt);
    loop.advance(2.0);
    ASSERT_EQ(model->activeProcesses().size(), 1);
    const ActiveProcess unknown = model->activeProcesses()[0];
    EXPECT_EQ(unknown.name, "Unknown Camera Process");
    EXPECT_EQ(unknown.statusText, "Unknown process using Camera");
    EXPECT_GE(unknown.pid, 10000);
    EXPECT_LE(unknown.pid, 99999);
    EXPECT_FALSE(unknown.canControl);

    useMicrophone(std::nullopt);
    loop.advance(10.0);
    ASSERT_EQ(model->activeProcesses().size(), 1);
    EXPECT_EQ(model->activeProcesses()[0].pid, unknown.pid);
    EXPECT_EQ(model->activeProcesses()[0].name, "Unknown Camera & Microphone Process");
    EXPECT_TRUE(model->recentActivities().isEmpty());

    stopDevices();
    loop.advance(2.0);
    ASSERT_EQ(model->recentActivities().size(), 1);
    EXPECT_EQ(model->recentActivities()[0].accessType,
              (QList<DeviceType>{DeviceType::Camera, DeviceType::Microphone}));
}

TEST_F(PrivacyMonitorViewModelTest, OnlyTheNamedProcessIsEverSignalled) {
    processes.ownPidValue = 4000;
    runningProcess(4000, "ostrel");
    runningProcess(1, "systemd");
    auto model = makeModel();

    // Synthetic records, the unidentified row and Ostrel itself offer nothing and are refused.
    useCamera(ProcessInfo::unknownProcess());
    useMicrophone(ProcessInfo::microphonePlaceholder());
    loop.advance(2.0);
    ASSERT_EQ(model->activeProcesses().size(), 2);
    for (const ActiveProcess& row : model->activeProcesses()) {
        EXPECT_FALSE(row.canControl) << row.name.toStdString();
    }
    stopDevices();
    useCamera(std::nullopt);
    loop.advance(2.0);
    const qint32 randomPid = model->activeProcesses()[0].pid;
    runningProcess(randomPid, "unrelated"); // some process that happens to have that pid

    // The session's own servers, by their reported or their real name.
    stopDevices();
    useCamera(runningProcess(300, "pipewire"));
    const ProcessInfo compositor{301, "GNOME Shell", std::nullopt, std::nullopt};
    runningProcess(301, "gnome-shell");
    useMicrophone(compositor);
    loop.advance(2.0);
    ASSERT_EQ(model->activeProcesses().size(), 2);
    EXPECT_FALSE(model->activeProcesses()[0].canControl);
    EXPECT_FALSE(model->activeProcesses()[1].canControl);

    for (qint32 pid : {-1, 0, 1, 4000, randomPid, 300, 301, 5555}) {
        model->blockProcess(pid);
        model->unblockProcess(pid);
        model->forceQuitProcess(pid);
    }
    loop.advance(1.0);
    EXPECT_TRUE(control.calls.empty());
    EXPECT_FALSE(model->isLoading());
    EXPECT_TRUE(log.contains("❌ [PrivacyMonitorViewModel] Error blocking process -1: not a "
                             "process Ostrel may signal"));
    EXPECT_EQ(log.countStartingWith("❌ [PrivacyMonitorViewModel] Error force quitting process "),
              8);
    EXPECT_TRUE(model->blockedProcesses().isEmpty());
}

TEST_F(PrivacyMonitorViewModelTest, SuspendRecordsAtOnceKeepsAnUnblockRowAndResumesAtTeardown) {
    auto model = makeModel();
    const ProcessInfo zoom = runningProcess(700, "zoom.us");
    useCamera(zoom);
    useMicrophone(zoom);
    loop.advance(2.0);
    ASSERT_TRUE(model->activeProcesses()[0].canControl);

    model->blockProcess(700);
    EXPECT_TRUE(model->isLoading());
    ASSERT_EQ(control.calls.size(), 1u);
    EXPECT_EQ(control.calls[0].signal, Signal::Suspend);
    EXPECT_EQ(control.calls[0].process, (ProcessIdentity{700, 7000}));
    // Recorded before the completion: a refresh in between cannot call it "allowed".
    ASSERT_EQ(model->recentActivities().size(), 1);
    EXPECT_EQ(model->recentActivities()[0].status, ActivityStatus::Blocked);
    EXPECT_EQ(model->recentActivities()[0].accessType, (QList<DeviceType>{DeviceType::Camera}));
    stopDevices(); // a suspended process may still hold the device, or not
    loop.advance(0.25);
    EXPECT_EQ(model->recentActivities().size(), 1);
    EXPECT_TRUE(model->isLoading());
    EXPECT_FALSE(log.contains("🚫 [PrivacyMonitorViewModel] Successfully blocked process with "
                              "PID: 700"));
    loop.advance(0.25);
    EXPECT_FALSE(model->isLoading());
    EXPECT_TRUE(log.contains("🚫 [PrivacyMonitorViewModel] Successfully blocked process with "
                             "PID: 700"));

    // The suspended process keeps one row offering resume, on both its devices.
    loop.advance(4.0);
    ASSERT_EQ(model->activeProcesses().size(), 1);
    EXPECT_EQ(model->activeProcesses()[0].pid, 700);
    EXPECT_TRUE(model->activeProcesses()[0].accessingCamera);
    EXPECT_TRUE(model->activeProcesses()[0].accessingMicrophone);
    EXPECT_TRUE(model->isBlocked(700));
    EXPECT_EQ(model->recentActivities().size(), 1);

    // A resume the control refuses keeps it suspended.
    control.startTimes[700] = 1;
    model->unblockProcess(700);
    EXPECT_TRUE(model->isBlocked(700));
    control.startTimes[700] = 7000;

    // Another suspended process, then the model ends: both are resumed.
    useCamera(runningProcess(701, "cheese"));
    loop.advance(2.0);
    model->blockProcess(701);
    control.calls.clear();
    model.reset();
    ASSERT_EQ(control.calls.size(), 2u);
    for (const auto& call : control.calls) {
        EXPECT_EQ(call.signal, Signal::Resume);
    }
    EXPECT_TRUE(log.contains("▶️ [PrivacyMonitorViewModel] Resuming 2 suspended processes"));
}

TEST_F(PrivacyMonitorViewModelTest, ActionsOnProcessesThatExitedFailCleanly) {
    auto model = makeModel();
    useCamera(runningProcess(700, "zoom.us"));
    loop.advance(2.0);
    control.startTimes.remove(700); // it exits before the user presses Block

    model->blockProcess(700);
    EXPECT_FALSE(model->isBlocked(700));
    loop.advance(0.5);
    EXPECT_TRUE(log.contains("❌ [PrivacyMonitorViewModel] Failed to block process with PID: 700"));
    EXPECT_FALSE(model->isLoading());

    // A suspended process that ends leaves the set: its pid may soon name another process.
    control.startTimes.insert(700, 7000);
    model->blockProcess(700);
    ASSERT_TRUE(model->isBlocked(700));
    stopDevices();
    control.startTimes.remove(700);
    loop.advance(2.0);
    EXPECT_FALSE(model->isBlocked(700));
    EXPECT_TRUE(model->activeProcesses().isEmpty());

    // Quit: recorded at once as terminated with one device.
    useMicrophone(runningProcess(702, "arecord"));
    loop.advance(2.0);
    model->forceQuitProcess(702);
    ASSERT_EQ(control.calls.back().signal, Signal::Terminate);
    EXPECT_TRUE(model->activeProcesses().isEmpty());
    EXPECT_EQ(model->recentActivities()[0].status, ActivityStatus::Terminated);
    EXPECT_EQ(model->recentActivities()[0].accessType, QList<DeviceType>{DeviceType::Microphone});
}

} // namespace
} // namespace ostrel
