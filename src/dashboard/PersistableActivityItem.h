#pragma once

#include "dashboard/ActivityItem.h"

#include <QByteArray>
#include <QJsonObject>
#include <optional>
#include <vector>

namespace ostrel {

// The stored form of a recent-activity row: the row without its image, with the name of the
// symbol that stands for it. Timestamps are stored as seconds since 2001-01-01 UTC.
struct PersistableActivityItem {
    QString appName;
    std::optional<QString> iconName;
    QList<DeviceType> accessType;
    QDateTime timestamp;
    QString duration;
    ActivityStatus status = ActivityStatus::Allowed;

    static PersistableActivityItem from(const ActivityItem& item);
    ActivityItem toActivityItem() const;

    QJsonObject toJson() const;
    // Strict: a missing or mistyped field, an unknown device or status fails the record.
    static std::optional<PersistableActivityItem> fromJson(const QJsonObject& object,
                                                           QString* error);
};

// The symbol stored for a row: known applications by their exact name, else the camera or
// the microphone by the devices used.
QString iconNameFor(const QString& appName, const QList<DeviceType>& accessType);

// The stored value: one compact JSON array, newest first.
QByteArray encodeRecentActivities(const std::vector<PersistableActivityItem>& items);

struct DecodedRecentActivities {
    std::optional<std::vector<PersistableActivityItem>> items; // nothing when it failed
    QString error;
};
// Any malformed element fails the whole array.
DecodedRecentActivities decodeRecentActivities(const QByteArray& data);

} // namespace ostrel
