#pragma once

#include <QString>
#include <optional>

namespace ostrel {

// What happened to a process of a recent-activity row. The raw values are stored.
enum class ActivityStatus {
    Allowed,    // it stopped using the devices by itself
    Blocked,    // the user suspended it from the dashboard
    Terminated, // the user force-quit it from the dashboard
};

QString rawValue(ActivityStatus status);
// Exact raw values only.
std::optional<ActivityStatus> activityStatusFromRawValue(const QString& raw);
// "Allowed", "Blocked", "Terminated": what the dashboard shows.
QString label(ActivityStatus status);

} // namespace ostrel
