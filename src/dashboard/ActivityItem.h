#pragma once

#include "dashboard/ActivityStatus.h"
#include "dashboard/IconReference.h"
#include "detection/DeviceType.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace ostrel {

// One recent-activity row: a process that stopped, was suspended or was quit.
struct ActivityItem {
    QString appName;
    IconReference icon;
    QList<DeviceType> accessType;
    QDateTime timestamp; // UTC, when the row was made; unique among the rows
    QString duration;
    ActivityStatus status = ActivityStatus::Allowed;

    // "Just now", "5 minutes ago", "1 hour ago", "3 days ago".
    QString timeAgo(const QDateTime& now) const;
};

} // namespace ostrel
