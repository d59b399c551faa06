#pragma once

#include "dashboard/ActivityItem.h"

#include <QFrame>
#include <vector>

class QHBoxLayout;
class QLabel;

namespace ostrel {

class DeviceBadge;
class StatusBadge;

// One recent activity: icon, application name, device badges, what happened, and when.
// Rows are reused: setActivity updates the same widgets in place.
class RecentActivityRow final : public QFrame {
public:
    explicit RecentActivityRow(QWidget* parent = nullptr);

    void setActivity(const ActivityItem& activity, const QDateTime& now);
    // Only the relative time moves between refreshes.
    void updateTime(const QDateTime& now);
    const ActivityItem& activity() const { return activity_; }

private:
    ActivityItem activity_;
    QLabel* icon_;
    QLabel* name_;
    QHBoxLayout* badges_;
    std::vector<DeviceBadge*> deviceBadges_;
    StatusBadge* status_;
    QLabel* when_;
    QLabel* duration_;
};

} // namespace ostrel
