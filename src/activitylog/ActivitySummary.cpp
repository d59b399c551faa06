#include "activitylog/ActivitySummary.h"

#include "activitylog/ActivityLogPeriodFilter.h"

#include <QHash>

namespace ostrel {

ActivitySummary ActivitySummary::compute(const QList<ActivityLogEntry>& logs,
                                         LogRetentionPeriod period, const QDateTime& now) {
    const QList<ActivityLogEntry> inPeriod = logsInPeriod(logs, period, now);
    ActivitySummary summary;
    summary.timeRange = period;
    summary.totalEvents = static_cast<int>(inPeriod.size());

    QHash<QString, int> countByName;
    QList<QString> namesInOrder; // first appearance decides ties
    for (const ActivityLogEntry& entry : inPeriod) {
        if (entry.isActive) {
            if (entry.deviceType == DeviceType::Camera) {
                ++summary.cameraActivations;
            } else {
                ++summary.microphoneActivations;
            }
        }
        int& count = countByName[entry.processName];
        if (count == 0) {
            namesInOrder.append(entry.processName);
        }
        ++count;
    }
    summary.uniqueProcesses = static_cast<int>(namesInOrder.size());

    int highest = 0;
    for (const QString& name : namesInOrder) {
        if (countByName.value(name) > highest) {
            highest = countByName.value(name);
            summary.mostActiveProcess = name;
        }
    }
    if (!inPeriod.isEmpty()) {
        summary.lastActivity = inPeriod.last().timestamp;
    }
    return summary;
}

} // namespace ostrel
