#include "activitylog/ActivityLogPeriodFilter.h"

#include <cmath>

namespace ostrel {

QDateTime periodCutoff(LogRetentionPeriod period, const QDateTime& now) {
    return now.addMSecs(-std::llround(timeInterval(period) * 1000.0));
}

QList<ActivityLogEntry> logsInPeriod(const QList<ActivityLogEntry>& logs, LogRetentionPeriod period,
                                     const QDateTime& now) {
    const QDateTime cutoff = periodCutoff(period, now);
    QList<ActivityLogEntry> inPeriod;
    for (const ActivityLogEntry& entry : logs) {
        if (entry.timestamp >= cutoff) {
            inPeriod.append(entry);
        }
    }
    return inPeriod;
}

qsizetype removeExpiredLogs(QList<ActivityLogEntry>& logs, LogRetentionPeriod retention,
                            const QDateTime& now) {
    const QDateTime cutoff = periodCutoff(retention, now);
    return logs.removeIf(
        [&cutoff](const ActivityLogEntry& entry) { return entry.timestamp < cutoff; });
}

} // namespace ostrel
