#include "activitylog/ActivityLogFileFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::ActivityLogFileFormat;

namespace {

const QUuid kId = QUuid::fromString(QStringLiteral("6f1c2d3e-4a5b-4c6d-8e7f-90a1b2c3d4e5"));

ActivityLogEntry sampleEntry() {
    return {kId,
            QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53, 900), Qt::UTC),
            DeviceType::Microphone,
            QStringLiteral("Zoom \"Meetings\" ✓"),
            std::nullopt,
            4321,
            true,
            std::nullopt};
}

// One valid entry object as a file would hold it, to be broken by the test.
QJsonObject goodObject() {
    return QJsonObject{{"id", "6F1C2D3E-4A5B-4C6D-8E7F-90A1B2C3D4E5"},
                       {"timestamp", "2025-03-14T09:26:53Z"},
                       {"deviceType", "Camera"},
                       {"processName", "cheese"},
                       {"processID", 77},
                       {"isActive", false}};
}

QByteArray fileOf(const QJsonArray& array) {
    return QJsonDocument(array).toJson();
}

} // namespace

TEST(ActivityLogFileFormat, WritesSortedPrettyWholeSecondsAndOmitsAbsentKeys) {
    const QByteArray bytes = encodeLogFile({sampleEntry()});
    const QByteArray expected = "[\n"
                                "    {\n"
                                "        \"deviceType\": \"Microphone\",\n"
                                "        \"id\": \"6F1C2D3E-4A5B-4C6D-8E7F-90A1B2C3D4E5\",\n"
                                "        \"isActive\": true,\n"
                                "        \"processID\": 4321,\n"
                                "        \"processName\": \"Zoom \\\"Meetings\\\" ✓\",\n"
                                "        \"timestamp\": \"2025-03-14T09:26:53Z\"\n"
                                "    }\n"
                                "]\n";
    EXPECT_EQ(bytes, expected);

    const ActivityLogDecodeResult read = decodeLogFile(bytes);
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    ASSERT_EQ(read.entries.size(), 1);
    ActivityLogEntry truncated = sampleEntry();
    truncated.timestamp = QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC);
    EXPECT_EQ(read.entries[0], truncated);

    ActivityLogEntry full = truncated;
    full.processPath = QStringLiteral("/usr/share/applications/zoom.desktop");
    full.duration = 12.5;
    full.processID = -1;
    full.processName = QString::fromUtf8("tab\there \"q\" back\\slash\nline\x01\x1f ✓ 名前");
    const ActivityLogDecodeResult fullRead = decodeLogFile(encodeLogFile({full, truncated}));
    ASSERT_TRUE(fullRead.ok());
    EXPECT_EQ(fullRead.entries, (QList<ActivityLogEntry>{full, truncated}));

    EXPECT_TRUE(decodeLogFile(encodeLogFile({})).ok());
    EXPECT_EQ(formatTimestamp(QDateTime(QDate(12000, 1, 1), QTime(0, 0), Qt::UTC)),
              "9999-12-31T23:59:59Z");
    EXPECT_EQ(formatTimestamp(QDateTime(QDate(1969, 12, 31), QTime(23, 59, 59, 999), Qt::UTC)),
              "1969-12-31T23:59:59Z");
}

TEST(ActivityLogFileFormat, ReadsNullOptionalsUnknownKeysAndOffsets) {
    QJsonObject object = goodObject();
    object.insert("processPath", QJsonValue::Null);
    object.insert("duration", QJsonValue::Null);
    object.insert("somethingElse", QJsonArray{1, 2});
    QJsonObject withOffset = goodObject();
    withOffset.insert("timestamp", "2025-03-14T11:26:53+02:00");

    const ActivityLogDecodeResult read = decodeLogFile(fileOf({object, withOffset}));
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    EXPECT_FALSE(read.entries[0].processPath);
    EXPECT_FALSE(read.entries[0].duration);
    EXPECT_EQ(read.entries[0].deviceType, DeviceType::Camera);
    EXPECT_EQ(read.entries[0].processID, 77);
    EXPECT_EQ(read.entries[1].timestamp, read.entries[0].timestamp);

    // Invalid by the validity rule, yet decoded: that rule is a separate step.
    QJsonObject unnamed = goodObject();
    unnamed.insert("processName", "");
    unnamed.insert("processID", -5);
    EXPECT_TRUE(decodeLogFile(fileOf({unnamed})).ok());
}

TEST(ActivityLogFileFormat, OneBadEntryRejectsTheWholeFile) {
    const std::vector<std::pair<QString, QJsonValue>> defects{
        {"deviceType", "Speaker"},
        {"deviceType", "camera"},
        {"timestamp", "2025-03-14T09:26:53.900Z"},
        {"timestamp", "2025-03-14 09:26:53Z"},
        {"timestamp", "2025-02-30T09:26:53Z"},
        {"timestamp", "2025-03-14T09:26:53"},
        {"timestamp", 763630013},
        {"id", "not-a-uuid"},
        {"id", "{6f1c2d3e-4a5b-4c6d-8e7f-90a1b2c3d4e5}"},
        {"processID", 1.5},
        {"processID", "77"},
        {"isActive", 1},
        {"processName", QJsonValue::Null},
        {"processPath", 5},
        {"duration", "long"},
    };
    for (const auto& [key, value] : defects) {
        QJsonObject bad = goodObject();
        bad.insert(key, value);
        const ActivityLogDecodeResult read = decodeLogFile(fileOf({goodObject(), bad}));
        EXPECT_FALSE(read.ok()) << key.toStdString();
        EXPECT_TRUE(read.entries.isEmpty());
    }
    for (const char* required :
         {"id", "timestamp", "deviceType", "processName", "processID", "isActive"}) {
        QJsonObject missing = goodObject();
        missing.remove(QString::fromLatin1(required));
        EXPECT_FALSE(decodeLogFile(fileOf({missing})).ok()) << required;
    }
    for (const char* notALog : {"", "{}", "[1]", "[{\"id\":", "null"}) {
        EXPECT_FALSE(decodeLogFile(notALog).ok()) << notALog;
    }
}

TEST(ActivityLogFileFormat, ExportIsCompactWithSecondsSince2001) {
    ActivityLogEntry entry = sampleEntry();
    entry.timestamp = QDateTime(QDate(2001, 1, 1), QTime(0, 0, 1, 250), Qt::UTC);
    entry.processPath = QStringLiteral("/opt/zoom");
    const QByteArray bytes = encodeExportFile({entry});
    EXPECT_FALSE(bytes.contains('\n'));
    EXPECT_FALSE(bytes.contains(": "));

    const QJsonArray array = QJsonDocument::fromJson(bytes).array();
    ASSERT_EQ(array.size(), 1);
    const QJsonObject object = array.at(0).toObject();
    EXPECT_EQ(object.value("timestamp").toDouble(), 1.25);
    EXPECT_EQ(object.value("processPath").toString(), "/opt/zoom");
    EXPECT_EQ(object.value("id").toString(), "6F1C2D3E-4A5B-4C6D-8E7F-90A1B2C3D4E5");
    EXPECT_FALSE(object.contains("duration"));
    // An export is not a log file.
    EXPECT_FALSE(decodeLogFile(bytes).ok());
    EXPECT_EQ(encodeExportFile({}), "[]");
}
