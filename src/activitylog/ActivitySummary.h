#pragma once

#include "activitylog/ActivityLogEntry.h"
#include "activitylog/LogRetentionPeriod.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace ostrel {

// Statistics of one period of the activity log, computed on demand.
struct ActivitySummary {
    int totalEvents = 0;
    int cameraActivations = 0;
    int microphoneActivations = 0;
    int uniqueProcesses = 0; // distinct process names, case-sensitive
    LogRetentionPeriod timeRange = LogRetentionPeriod::twentyFourHours;
    std::optional<QString> mostActiveProcess;
    std::optional<QDateTime> lastActivity; // of the last entry in log order

    // Summarises the entries of `period` among `logs` (log order) as of `now`. Among names
    // tied for the most entries, the one that appears first in the period wins.
    static ActivitySummary compute(const QList<ActivityLogEntry>& logs, LogRetentionPeriod period,
                                   const QDateTime& now);

    bool operator==(const ActivitySummary&) const = default;
};

} // namespace ostrel
