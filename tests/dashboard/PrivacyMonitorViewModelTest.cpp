#include "DashboardFixture.h"
#include "dashboard/PersistableActivityItem.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace ostrel;

using Signal = FakeProcessControl::Signal;

class PrivacyMonitorViewModelTest : public DashboardFixture {
protected:
    const QList<ActiveProcess>& active() const { return model->activeProcesses(); }
    const QList<ActivityItem>& recent() const { return model->recentActivities(); }

    QByteArray storedBytes() {
        return settings.value(PrivacyMonitorViewModel::recentActivitiesKey).toByteArray();
    }
    std::vector<PersistableActivityItem> stored() {
        return decodeRecentActivities(storedBytes())
            .items.value_or(std::vector<PersistableActivityItem>{});
    }
    QByteArray storeAndLoad(const QJsonArray& rows) {
        const QByteArray bytes = QJsonDocument(rows).toJson(QJsonDocument::Compact);
        settings.setValue(PrivacyMonitorViewModel::recentActivitiesKey, bytes);
        model->loadRecentActivities();
        return bytes;
    }
    // A row as an earlier run stored it, `age` seconds old; time stamps count from 2001.
    QJsonObject storedRow(const QString& name, double age) {
        const double stamp = double(loop.now().toMSecsSinceEpoch()) / 1000.0 - 978307200.0 - age;
        return {
            {"appName", name},    {"iconName", "video.fill"}, {"accessType", QJsonArray{"Camera"}},
            {"timestamp", stamp}, {"duration", "0:12"},       {"status", "allowed"}};
    }

    std::unique_ptr<PrivacyMonitorViewModel> model =
        std::make_unique<PrivacyMonitorViewModel>(environment());
};

TEST_F(PrivacyMonitorViewModelTest, AnEndedProcessBecomesOneAllowedRowButNotWhileMonitoringIsOff) {
    useCamera(runningProcess(700, "zoom.us"));
    loop.advance(2.0);
    EXPECT_EQ(active().value(0).statusText, "Active • Camera in use");
    // Monitoring off empties the list without making a row of what was listed.
    source.monitoring = false;
    loop.advance(2.0);
    EXPECT_TRUE(active().isEmpty() && !model->isMonitoringActive());
    source.monitoring = true;
    loop.advance(2.0);

    stopDevices();
    loop.advance(2.0);
    ASSERT_EQ(recent().size(), 1);
    EXPECT_TRUE(recent()[0].appName == "zoom.us" && recent()[0].status == ActivityStatus::Allowed &&
                recent()[0].accessType == QList{DeviceType::Camera});
    const qint64 offset = loop.now().msecsTo(recent()[0].timestamp);
    EXPECT_TRUE(offset >= 1 && offset <= 999) << offset;
}

TEST_F(PrivacyMonitorViewModelTest, KeepsTwentyFreshRowsInMemoryAndInTheStore) {
    QJsonArray rows; // more than twenty: the list is cut, and the shorter list saved
    for (int index = 0; index < 25; ++index) {
        rows.append(storedRow(QStringLiteral("row%1").arg(index), 60.0 * index));
    }
    storeAndLoad(rows);
    EXPECT_TRUE(recent().size() == 20 && stored().size() == 20);
    useCamera(runningProcess(700, "cheese")); // a new row pushes out the oldest
    loop.advance(2.0);
    stopDevices();
    loop.advance(2.0);
    ASSERT_EQ(recent().size(), 20);
    EXPECT_TRUE(recent().first().appName == "cheese" && recent().last().appName == "row18");
    EXPECT_TRUE(stored().size() == 20 && stored().back().appName == "row18");

    // Seven days old goes, a second less stays; a row without an icon name gets one by its devices.
    QJsonObject withoutIcon = storedRow("mic only", 10);
    withoutIcon.remove("iconName");
    withoutIcon["accessType"] = QJsonArray{"Microphone"};
    storeAndLoad({storedRow("nearly a week", 7 * 86400.0 - 1), storedRow("seven days", 7 * 86400.0),
                  withoutIcon});
    ASSERT_EQ(recent().size(), 2);
    EXPECT_TRUE(recent()[0].appName == "nearly a week" &&
                recent()[1].icon == IconReference::symbol("mic.fill"));
    EXPECT_TRUE(model->filteredActivities().size() == 2 && stored().size() == 2);

    // One malformed row fails the whole list, which is reported and left stored as it was.
    withoutIcon["status"] = "paused";
    const QByteArray bytes = storeAndLoad({storedRow("fine", 10), withoutIcon});
    EXPECT_TRUE(recent().isEmpty());
    EXPECT_EQ(
        log.countStartingWith("❌ [PrivacyMonitorViewModel] Failed to load recent activities: "), 1);
    EXPECT_EQ(storedBytes(), bytes);
    for (const QByteArray damaged : {"{}", "[1]", R"([{"appName":"x"}])", "not json"}) {
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
    const std::pair<double, QString> agoAfter[] = {{-0.5, "Just now"},       {59, "Just now"},
                                                   {61, "1 minute ago"},     {150, "2 minutes ago"},
                                                   {3600, "1 hour ago"},     {86400, "1 day ago"},
                                                   {6 * 86400, "6 days ago"}};
    for (const auto& [seconds, text] : agoAfter) {
        EXPECT_EQ(item.timeAgo(now.addMSecs(qint64(seconds * 1000))), text) << seconds;
    }

    // Stored, the time keeps its milliseconds and the row gets an icon name by its devices.
    item.timestamp = now.addMSecs(437);
    const auto decoded =
        decodeRecentActivities(encodeRecentActivities({PersistableActivityItem::from(item)}));
    ASSERT_TRUE(decoded.items);
    EXPECT_TRUE(decoded.items->at(0).timestamp == item.timestamp &&
                decoded.items->at(0).iconName == "camera.fill");
}

TEST_F(PrivacyMonitorViewModelTest, DurationsAreMeasuredFromWhenTheDeviceBecameActive) {
    source.cameraSince = loop.monotonicNow() - std::chrono::seconds(64); // before the model
    useCamera(runningProcess(700, "zoom.us"));
    loop.advance(2.0);
    EXPECT_EQ(active().value(0).duration, "1:06");
    loop.advance(600.0);
    EXPECT_EQ(active().value(0).duration, "11:06");

    // A newcomer on the microphone starts no earlier than the refresh before it appeared.
    source.microphoneSince = loop.monotonicNow() - std::chrono::seconds(3600);
    useMicrophone(runningProcess(701, "recorder"));
    loop.advance(2.0);
    EXPECT_EQ(active().value(1).duration, "0:02");

    stopDevices();
    useMicrophone(ProcessInfo::microphonePlaceholder()); // a word and its own icon, no time
    loop.advance(2.0);
    EXPECT_TRUE(active().value(0).duration == "Detecting..." &&
                active().value(0).icon == IconReference::symbol("waveform.circle"));
}

TEST_F(PrivacyMonitorViewModelTest, OnlyTheNamedProcessIsEverSignalled) {
    runningProcess(processes.ownPid(), "ostrel");
    runningProcess(1, "systemd");

    // The unidentified row keeps one random id that names no process, and ends as one row.
    useCamera(std::nullopt);
    loop.advance(2.0);
    const ActiveProcess unknown = active().value(0);
    EXPECT_EQ(unknown.name, "Unknown Camera Process");
    EXPECT_TRUE(unknown.pid >= 10000 && unknown.pid <= 99999 && !unknown.canControl);
    useMicrophone(std::nullopt);
    loop.advance(10.0);
    EXPECT_TRUE(active().size() == 1 && active()[0].pid == unknown.pid && recent().isEmpty());
    EXPECT_EQ(active().value(0).name, "Unknown Camera & Microphone Process");
    stopDevices();
    loop.advance(2.0);
    EXPECT_TRUE(recent().size() == 1 &&
                recent()[0].accessType == (QList{DeviceType::Camera, DeviceType::Microphone}));
    runningProcess(unknown.pid, "unrelated"); // some process that happens to have that pid

    // Synthetic records, and the programs the session stands on.
    useCamera(ProcessInfo::unknownProcess());
    useMicrophone(ProcessInfo::microphonePlaceholder());
    loop.advance(2.0);
    EXPECT_TRUE(active().size() == 2 && !active()[0].canControl && !active()[1].canControl);
    useCamera(runningProcess(300, "pipewire"));
    useMicrophone(runningProcess(301, "gnome-shell"));
    processControl.sessionCritical = {300, 301};
    loop.advance(2.0);
    EXPECT_TRUE(active().size() == 2 && !active()[0].canControl && !active()[1].canControl);

    for (qint32 pid : {-1, 0, 1, processes.ownPid(), unknown.pid, 300, 301, 5555}) {
        model->blockProcess(pid);
        model->unblockProcess(pid);
        model->forceQuitProcess(pid);
    }
    loop.advance(1.0);
    EXPECT_TRUE(processControl.calls.empty() && model->blockedProcesses().isEmpty());
    EXPECT_FALSE(model->isLoading());
    EXPECT_EQ(log.countStartingWith("❌ [PrivacyMonitorViewModel] Error "), 24); // each, with why
    EXPECT_TRUE(log.contains("❌ [PrivacyMonitorViewModel] Error blocking process -1: not a "
                             "process Ostrel may signal"));
}

TEST_F(PrivacyMonitorViewModelTest, SuspendRecordsAtOnceKeepsAnUnblockRowAndResumesAtTeardown) {
    const ProcessInfo zoom = runningProcess(700, "zoom.us");
    useCamera(zoom);
    useMicrophone(zoom);
    loop.advance(2.0);

    processControl.startTimes.remove(700); // it exits before the user presses Block
    model->blockProcess(700);
    loop.advance(0.5);
    EXPECT_TRUE(log.contains("❌ [PrivacyMonitorViewModel] Failed to block process with PID: 700"));
    EXPECT_FALSE(model->isBlocked(700) || model->isLoading());

    processControl.startTimes.insert(700, 7000);
    model->blockProcess(700); // the second press; one signal for each
    EXPECT_TRUE(model->isLoading() && processControl.calls.size() == 2);
    EXPECT_TRUE(processControl.calls.back().signal == Signal::Suspend &&
                processControl.calls.back().process == (ProcessIdentity{700, 7000}));
    // Recorded before the completion: a refresh in between cannot call it "allowed".
    ASSERT_EQ(recent().size(), 1);
    EXPECT_TRUE(recent()[0].status == ActivityStatus::Blocked &&
                recent()[0].accessType == QList{DeviceType::Camera});
    stopDevices(); // a suspended process may still hold the device, or not
    loop.advance(0.5);
    EXPECT_FALSE(model->isLoading());

    loop.advance(4.0); // it keeps one row offering resume, using nothing while stopped
    ASSERT_EQ(active().size(), 1);
    EXPECT_TRUE(active()[0].pid == 700 && !active()[0].accessingCamera &&
                !active()[0].accessingMicrophone && active()[0].statusText.startsWith("Suspended"));
    EXPECT_TRUE(model->isBlocked(700) && recent().size() == 1);

    // Its pid now names another process: the resume is refused, and nothing is left to resume.
    processControl.startTimes[700] = 1;
    model->unblockProcess(700);
    EXPECT_TRUE(!model->isBlocked(700) && processControl.calls.back().signal == Signal::Resume);

    // A suspended process that ends leaves the set: its pid may soon name another process.
    useCamera(runningProcess(701, "cheese"));
    loop.advance(2.0);
    model->blockProcess(701);
    ASSERT_TRUE(model->isBlocked(701));
    stopDevices();
    processControl.startTimes.remove(701);
    loop.advance(2.0);
    EXPECT_TRUE(!model->isBlocked(701) && active().isEmpty());

    useMicrophone(runningProcess(702, "arecord"));
    loop.advance(2.0);
    model->forceQuitProcess(702); // recorded at once as terminated, with its one device
    EXPECT_TRUE(processControl.calls.back().signal == Signal::Terminate && active().isEmpty());
    EXPECT_TRUE(recent()[0].status == ActivityStatus::Terminated &&
                recent()[0].accessType == QList{DeviceType::Microphone});

    // One suspended elsewhere (a notification's Block) has the same row, in place of what the
    // detector still reports of it.
    const ProcessInfo cheese = runningProcess(703, "cheese");
    stopDevices();
    useCamera(cheese);
    int changes = 0;
    QObject::connect(model.get(), &PrivacyMonitorViewModel::blockedProcessesChanged,
                     [&] { ++changes; });
    suspended.suspend({703, 7030}, cheese, {DeviceType::Camera});
    EXPECT_TRUE(model->isBlocked(703) && changes == 1);
    loop.advance(2.0);
    ASSERT_EQ(active().size(), 1);
    EXPECT_TRUE(active()[0].pid == 703 && active()[0].duration == "Suspended" &&
                active()[0].canControl && !active()[0].accessingCamera);

    // The shell's registry, not the dashboard, resumes what is left when Ostrel quits.
    processControl.calls.clear();
    model.reset();
    EXPECT_TRUE(processControl.calls.empty());
    suspended.resumeAll();
    EXPECT_TRUE(processControl.calls.size() == 1 &&
                processControl.calls[0].signal == Signal::Resume && !model);
}
