#include "activitylog/ActivityLogPeriodFilter.h"
#include "activitylog/ActivitySummary.h"
#include "activitylog/LogRetentionPeriod.h"

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

const QDateTime kNow(QDate(2026, 3, 14), QTime(9, 26, 53), Qt::UTC);

ActivityLogEntry entryAt(const QDateTime& timestamp, DeviceType device, const QString& name,
                         bool isActive = true) {
    return ActivityLogEntry::create(device, name, std::nullopt, 42, isActive, timestamp);
}

} // namespace

TEST(LogRetentionPeriod, RawValuesAndTexts) {
    ASSERT_EQ(kAllLogRetentionPeriods.size(), 3u);
    EXPECT_EQ(kAllLogRetentionPeriods[0], LogRetentionPeriod::twentyFourHours);
    EXPECT_EQ(kAllLogRetentionPeriods[2], LogRetentionPeriod::oneMonth);
    for (LogRetentionPeriod period : kAllLogRetentionPeriods) {
        EXPECT_EQ(logRetentionPeriodFromRawValue(rawValue(period)), period);
    }
    EXPECT_EQ(rawValue(LogRetentionPeriod::oneWeek), "1w");
    EXPECT_EQ(displayName(LogRetentionPeriod::oneMonth), "Last Month");
    EXPECT_EQ(timeInterval(LogRetentionPeriod::oneMonth), 2592000.0);
    EXPECT_EQ(usageDescription(LogRetentionPeriod::twentyFourHours),
              "Recent activity and immediate troubleshooting");
    for (const char* wrong : {"24H", "", "2d", "1w "}) {
        EXPECT_FALSE(logRetentionPeriodFromRawValue(QString::fromLatin1(wrong))) << wrong;
    }
}

TEST(ActivityLogPeriodFilter, CutoffBelongsAndAMillisecondEarlierDoesNot) {
    const QDateTime cutoff = kNow.addSecs(-86400);
    QList<ActivityLogEntry> logs{entryAt(cutoff.addMSecs(-1), DeviceType::Camera, "old"),
                                 entryAt(cutoff, DeviceType::Camera, "edge"),
                                 entryAt(kNow, DeviceType::Microphone, "new")};

    const QList<ActivityLogEntry> inPeriod =
        logsInPeriod(logs, LogRetentionPeriod::twentyFourHours, kNow);
    ASSERT_EQ(inPeriod.size(), 2);
    EXPECT_EQ(inPeriod[0].processName, "edge");
    EXPECT_EQ(logsInPeriod(logs, LogRetentionPeriod::oneWeek, kNow).size(), 3);

    EXPECT_EQ(removeExpiredLogs(logs, LogRetentionPeriod::twentyFourHours, kNow), 1);
    ASSERT_EQ(logs.size(), 2);
    EXPECT_EQ(logs[0].processName, "edge");
    EXPECT_EQ(logs[1].processName, "new");
}

TEST(ActivitySummary, CountsDeactivationsAndCaseSensitiveNames) {
    const QList<ActivityLogEntry> logs{
        entryAt(kNow.addDays(-2), DeviceType::Camera, "Outside"),
        entryAt(kNow.addSecs(-50), DeviceType::Camera, "zoom"),
        entryAt(kNow.addSecs(-40), DeviceType::Camera, "zoom", false),
        entryAt(kNow.addSecs(-30), DeviceType::Microphone, "Zoom"),
        entryAt(kNow.addSecs(-60), DeviceType::Microphone, "zoom", false),
        entryAt(kNow.addSecs(-10), DeviceType::Microphone, "Zoom")};

    const ActivitySummary summary =
        ActivitySummary::compute(logs, LogRetentionPeriod::twentyFourHours, kNow);
    EXPECT_EQ(summary.totalEvents, 5);
    EXPECT_EQ(summary.cameraActivations, 1);
    EXPECT_EQ(summary.microphoneActivations, 2);
    EXPECT_EQ(summary.uniqueProcesses, 2);
    EXPECT_EQ(summary.mostActiveProcess, "zoom");
    // The last entry in log order, not the latest time stamp.
    EXPECT_EQ(summary.lastActivity, kNow.addSecs(-10));
    EXPECT_EQ(summary.timeRange, LogRetentionPeriod::twentyFourHours);

    // Tied counts: the name seen first in the period wins.
    const QList<ActivityLogEntry> tied{entryAt(kNow, DeviceType::Camera, "b"),
                                       entryAt(kNow, DeviceType::Camera, "a")};
    EXPECT_EQ(ActivitySummary::compute(tied, LogRetentionPeriod::oneWeek, kNow).mostActiveProcess,
              "b");
}

TEST(ActivitySummary, EmptyPeriodKeepsItsRange) {
    const QList<ActivityLogEntry> logs{entryAt(kNow.addDays(-3), DeviceType::Camera, "old")};
    ActivitySummary expected;
    expected.timeRange = LogRetentionPeriod::twentyFourHours;
    EXPECT_EQ(ActivitySummary::compute(logs, LogRetentionPeriod::twentyFourHours, kNow), expected);
    EXPECT_EQ(ActivitySummary::compute({}, LogRetentionPeriod::oneMonth, kNow).timeRange,
              LogRetentionPeriod::oneMonth);
}

TEST(ActivityLogEntry, CreationAndValidity) {
    const ActivityLogEntry entry = ActivityLogEntry::create(
        DeviceType::Microphone, "arecord", QString("/usr/bin/arecord"), 1234, true, kNow);
    EXPECT_FALSE(entry.id.isNull());
    EXPECT_NE(entry.id, ActivityLogEntry::create(DeviceType::Microphone, "arecord", std::nullopt,
                                                 1234, true, kNow)
                            .id);
    EXPECT_EQ(entry.timestamp, kNow);
    EXPECT_FALSE(entry.duration);
    EXPECT_TRUE(entry.isValid());

    ActivityLogEntry unidentified = entry;
    unidentified.processID = -1; // a change that named no process stays in the log
    EXPECT_TRUE(unidentified.isValid());
    ActivityLogEntry broken = entry;
    broken.processID = -2;
    EXPECT_FALSE(broken.isValid());
    broken = entry;
    broken.processName.clear();
    EXPECT_FALSE(broken.isValid());
}
