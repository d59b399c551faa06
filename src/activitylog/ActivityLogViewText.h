#pragma once

#include "activitylog/ActivityLogEntry.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace ostrel {

// How long ago the log file was saved: "59s ago", "12m ago", "1h ago", "3d ago", each count
// truncated; "Never" without a date. A date in the future (the clock was set back) reads
// "0s ago".
QString relativeSaveTimeText(const std::optional<QDateTime>& lastModified, const QDateTime& now);

// A byte count the way file sizes are shown: "0 bytes", "1.5 kB", "12.3 MB" (powers of 1000).
QString fileSizeText(qint64 bytes);

// The name the log window shows for an entry: the last component of its path when it has
// one, else the process name.
QString appDisplayName(const ActivityLogEntry& entry);

} // namespace ostrel
