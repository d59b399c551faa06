#include "activitylog/ActivityLogFileFormat.h"
#include "activitylog/ActivityLogPeriodFilter.h"
#include "activitylog/ActivityLogViewText.h"
#include "activitylog/ActivitySummary.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::ActivityLogFileFormat;

namespace {

const QDateTime kNow(QDate(2026, 3, 14), QTime(9, 26, 53), Qt::UTC);

ActivityLogEntry entryAt(const QDateTime& timestamp, DeviceType device, const QString& name,
                         bool isActive = true) {
    return ActivityLogEntry::create(device, name, std::nullopt, 42, isActive, timestamp);
}

// One valid entry object as a file would hold it, to be broken by the test.
QJsonObject goodObject() {
    return QJsonDocument::fromJson(R"({"id": "6F1C2D3E-4A5B-4C6D-8E7F-90A1B2C3D4E5",
        "timestamp": "2025-03-14T09:26:53Z", "deviceType": "Camera", "processName": "cheese",
        "processID": 77, "isActive": false})")
        .object();
}

QByteArray fileOf(const QJsonArray& array) {
    return QJsonDocument(array).toJson();
}

} // namespace

TEST(ActivityLogFileFormat, WritesSortedPrettyWholeSecondsAndOmitsAbsentKeys) {
    ActivityLogEntry entry = entryAt(QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53, 900), Qt::UTC),
                                     DeviceType::Microphone, QStringLiteral("Zoom \"Meetings\" ✓"));
    entry.id = QUuid::fromString(QStringLiteral("6f1c2d3e-4a5b-4c6d-8e7f-90a1b2c3d4e5"));
    EXPECT_EQ(encodeLogFile({entry}), "[\n"
                                      "    {\n"
                                      "        \"deviceType\": \"Microphone\",\n"
                                      "        \"id\": \"6F1C2D3E-4A5B-4C6D-8E7F-90A1B2C3D4E5\",\n"
                                      "        \"isActive\": true,\n"
                                      "        \"processID\": 42,\n"
                                      "        \"processName\": \"Zoom \\\"Meetings\\\" ✓\",\n"
                                      "        \"timestamp\": \"2025-03-14T09:26:53Z\"\n"
                                      "    }\n"
                                      "]\n");

    ActivityLogEntry truncated = entry;
    truncated.timestamp = QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC);
    ActivityLogEntry full = truncated;
    full.processPath = QStringLiteral("/usr/share/applications/zoom.desktop");
    full.duration = 12.5;
    full.processID = -1;
    full.processName = QString::fromUtf8("tab\there \"q\" back\\slash\nline\x01\x1f ✓ 名前");
    const ActivityLogDecodeResult read = decodeLogFile(encodeLogFile({full, entry}));
    EXPECT_EQ(read.entries, (QList<ActivityLogEntry>{full, truncated})) << read.error.toStdString();

    EXPECT_EQ(formatTimestamp(QDateTime(QDate(12000, 1, 1), QTime(0, 0), Qt::UTC)),
              "9999-12-31T23:59:59Z");
    EXPECT_EQ(formatTimestamp(QDateTime(QDate(1969, 12, 31), QTime(23, 59, 59, 999), Qt::UTC)),
              "1969-12-31T23:59:59Z");
}

TEST(ActivityLogFileFormat, ReadingIsLenientOnlyAboutNullsExtrasAndOffsets) {
    QJsonObject lenient = goodObject();
    lenient.insert("processPath", QJsonValue::Null);
    lenient.insert("duration", QJsonValue::Null);
    lenient.insert("somethingElse", QJsonArray{1, 2});
    lenient.insert("timestamp", "2025-03-14T11:26:53+02:00");
    const ActivityLogDecodeResult plain = decodeLogFile(fileOf({goodObject()}));
    const ActivityLogDecodeResult read = decodeLogFile(fileOf({lenient}));
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    EXPECT_EQ(read.entries, plain.entries);
    EXPECT_EQ(plain.entries.value(0).deviceType, DeviceType::Camera);

    // Each object replaces one member of a good entry.
    const QJsonArray defects = QJsonDocument::fromJson(R"([
        {"deviceType": "Speaker"}, {"deviceType": "camera"},
        {"timestamp": "2025-03-14T09:26:53.900Z"}, {"timestamp": "2025-03-14 09:26:53Z"},
        {"timestamp": "2025-02-30T09:26:53Z"}, {"timestamp": "2025-03-14T09:26:53"},
        {"timestamp": 763630013}, {"id": "not-a-uuid"},
        {"id": "{6f1c2d3e-4a5b-4c6d-8e7f-90a1b2c3d4e5}"}, {"processID": 1.5}, {"processID": "77"},
        {"isActive": 1}, {"processName": null}, {"processPath": 5}, {"duration": "long"}])")
                                   .array();
    ASSERT_EQ(defects.size(), 15);
    for (const QJsonValue& defect : defects) {
        const QString key = defect.toObject().keys().first();
        QJsonObject bad = goodObject();
        bad.insert(key, defect[key]);
        const ActivityLogDecodeResult rejected = decodeLogFile(fileOf({goodObject(), bad}));
        EXPECT_FALSE(rejected.ok()) << QJsonDocument(bad).toJson().toStdString();
        EXPECT_TRUE(rejected.entries.isEmpty());
    }
    QJsonObject unnamed = goodObject();
    unnamed.remove("processName");
    EXPECT_FALSE(decodeLogFile(fileOf({unnamed})).ok());
    for (const char* notALog : {"", "{}", "[1]", "[{\"id\":", "null"}) {
        EXPECT_FALSE(decodeLogFile(notALog).ok()) << notALog;
    }
}

TEST(LogRetentionPeriod, RawValuesRoundTripAndEachPeriodStartsAtItsCutoff) {
    const std::pair<LogRetentionPeriod, int> periods[] = {{LogRetentionPeriod::twentyFourHours, 1},
                                                          {LogRetentionPeriod::oneWeek, 7},
                                                          {LogRetentionPeriod::oneMonth, 30}};
    for (const auto& [period, days] : periods) {
        SCOPED_TRACE(days);
        EXPECT_EQ(logRetentionPeriodFromRawValue(rawValue(period)), period);
        const QDateTime cutoff = kNow.addDays(-days);
        QList<ActivityLogEntry> logs{entryAt(cutoff.addMSecs(-1), DeviceType::Camera, "old"),
                                     entryAt(cutoff, DeviceType::Camera, "edge"),
                                     entryAt(kNow, DeviceType::Microphone, "new")};
        const QList<ActivityLogEntry> kept = logs.mid(1);
        EXPECT_EQ(logsInPeriod(logs, period, kNow), kept);
        EXPECT_EQ(removeExpiredLogs(logs, period, kNow), 1);
        EXPECT_EQ(logs, kept);
    }
    for (const char* wrong : {"24H", "", "2d", "1w "}) {
        EXPECT_FALSE(logRetentionPeriodFromRawValue(QString::fromLatin1(wrong))) << wrong;
    }
}

TEST(ActivitySummary, CountsActivationsAndCaseSensitiveNamesOfThePeriodOnly) {
    const QList<ActivityLogEntry> logs{
        entryAt(kNow.addDays(-2), DeviceType::Camera, "Outside"),
        entryAt(kNow.addSecs(-50), DeviceType::Camera, "zoom"),
        entryAt(kNow.addSecs(-40), DeviceType::Camera, "zoom", false),
        entryAt(kNow.addSecs(-30), DeviceType::Microphone, "Zoom"),
        entryAt(kNow.addSecs(-60), DeviceType::Microphone, "zoom", false),
        entryAt(kNow.addSecs(-10), DeviceType::Microphone, "Zoom")};
    // Every new entry has an id of its own.
    EXPECT_FALSE(logs[0].id.isNull());
    EXPECT_NE(logs[0].id, logs[1].id);

    const ActivitySummary summary =
        ActivitySummary::compute(logs, LogRetentionPeriod::twentyFourHours, kNow);
    EXPECT_EQ(summary.totalEvents, 5);
    EXPECT_EQ(summary.cameraActivations, 1);
    EXPECT_EQ(summary.microphoneActivations, 2);
    EXPECT_EQ(summary.uniqueProcesses, 2);
    EXPECT_EQ(summary.mostActiveProcess, "zoom");
    // The last entry in log order, not the latest time stamp.
    EXPECT_EQ(summary.lastActivity, kNow.addSecs(-10));

    // Tied counts: the name seen first in the period wins.
    const QList<ActivityLogEntry> tied{entryAt(kNow, DeviceType::Camera, "b"),
                                       entryAt(kNow, DeviceType::Camera, "a")};
    EXPECT_EQ(ActivitySummary::compute(tied, LogRetentionPeriod::oneWeek, kNow).mostActiveProcess,
              "b");

    // An empty period still names its range.
    ActivitySummary empty;
    empty.timeRange = LogRetentionPeriod::oneMonth;
    EXPECT_EQ(ActivitySummary::compute({entryAt(kNow.addDays(-40), DeviceType::Camera, "old")},
                                       empty.timeRange, kNow),
              empty);
}

TEST(RelativeSaveTimeText, TruncatesToTheLargestUnit) {
    EXPECT_EQ(relativeSaveTimeText(kNow.addSecs(-60), kNow), "1m ago");
    EXPECT_EQ(relativeSaveTimeText(kNow.addMSecs(-3599999), kNow), "59m ago");
    EXPECT_EQ(relativeSaveTimeText(kNow.addSecs(-3600), kNow), "1h ago");
    EXPECT_EQ(relativeSaveTimeText(kNow.addSecs(-86400 * 3 - 5), kNow), "3d ago");
    EXPECT_EQ(relativeSaveTimeText(kNow.addSecs(30), kNow), "0s ago"); // the clock was set back
}
