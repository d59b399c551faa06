#pragma once

#include "activitylog/ActivityLogEntry.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace ostrel {

// A whole log file decoded: all of its entries, or why it cannot be read. Never a part.
struct ActivityLogDecodeResult {
    QList<ActivityLogEntry> entries;
    QString error; // empty when the file was read

    bool ok() const { return error.isEmpty(); }
};

// The JSON forms in which activity log entries leave the process.
//
// The log file ("activity_logs.json" and its backup) is an array of entry objects,
// pretty-printed one member per line with sorted keys; time stamps are UTC internet
// date-times in whole seconds ("2025-03-14T09:26:53Z"); an absent optional value has no key.
// Reading is strict: a missing required key, a wrong JSON type, an unknown device or a bad
// time stamp rejects the whole file. Missing or null optional keys and unknown keys are fine.
//
// The export file has the same keys, compact, with each time stamp as seconds (with
// fraction) since 2001-01-01T00:00:00Z; Ostrel never reads it back.
namespace ActivityLogFileFormat {

QByteArray encodeLogFile(const QList<ActivityLogEntry>& entries);
ActivityLogDecodeResult decodeLogFile(const QByteArray& bytes);

QByteArray encodeExportFile(const QList<ActivityLogEntry>& entries);

// "2025-03-14T09:26:53Z": the fraction of a second is dropped.
QString formatTimestamp(const QDateTime& timestamp);
// An internet date-time in whole seconds, "Z" or a "+hh:mm" / "-hh:mm" offset; nothing for
// anything else.
std::optional<QDateTime> parseTimestamp(const QString& text);

// Seconds since 2001-01-01T00:00:00Z, the time stamp of the export file.
double secondsSinceReferenceDate(const QDateTime& timestamp);

} // namespace ActivityLogFileFormat

} // namespace ostrel
