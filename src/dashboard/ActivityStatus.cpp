#include "dashboard/ActivityStatus.h"

namespace ostrel {

QString rawValue(ActivityStatus status) {
    switch (status) {
    case ActivityStatus::Allowed:
        return QStringLiteral("allowed");
    case ActivityStatus::Blocked:
        return QStringLiteral("blocked");
    case ActivityStatus::Terminated:
        return QStringLiteral("terminated");
    }
    return {};
}

std::optional<ActivityStatus> activityStatusFromRawValue(const QString& raw) {
    for (ActivityStatus status :
         {ActivityStatus::Allowed, ActivityStatus::Blocked, ActivityStatus::Terminated}) {
        if (rawValue(status) == raw) {
            return status;
        }
    }
    return std::nullopt;
}

QString label(ActivityStatus status) {
    switch (status) {
    case ActivityStatus::Allowed:
        return QStringLiteral("Allowed");
    case ActivityStatus::Blocked:
        return QStringLiteral("Blocked");
    case ActivityStatus::Terminated:
        return QStringLiteral("Terminated");
    }
    return {};
}

} // namespace ostrel
