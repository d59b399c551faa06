#include "dashboard/PersistableActivityItem.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <cmath>

namespace ostrel {

namespace {

// 2001-01-01 00:00:00 UTC in seconds since 1970.
constexpr double kReferenceDateOffset = 978307200.0;

QString symbolForDevices(const QList<DeviceType>& accessType) {
    return accessType.contains(DeviceType::Camera) ? QStringLiteral("camera.fill")
                                                   : QStringLiteral("mic.fill");
}

double secondsSinceReferenceDate(const QDateTime& time) {
    return double(time.toMSecsSinceEpoch()) / 1000.0 - kReferenceDateOffset;
}

QDateTime dateFromReferenceSeconds(double seconds) {
    return QDateTime::fromMSecsSinceEpoch(
        qint64(std::llround((seconds + kReferenceDateOffset) * 1000.0)), Qt::UTC);
}

bool fail(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
    return false;
}

bool readString(const QJsonObject& object, const QString& key, QString* out, QString* error) {
    const QJsonValue value = object.value(key);
    if (!value.isString()) {
        return fail(error, value.isUndefined()
                               ? QStringLiteral("key \"%1\" is missing").arg(key)
                               : QStringLiteral("key \"%1\" is not a string").arg(key));
    }
    *out = value.toString();
    return true;
}

} // namespace

QString iconNameFor(const QString& appName, const QList<DeviceType>& accessType) {
    static const QHash<QString, QString> known{
        {QStringLiteral("Zoom"), QStringLiteral("video.fill")},
        {QStringLiteral("Discord"), QStringLiteral("mic.fill")},
        {QStringLiteral("Microsoft Teams"), QStringLiteral("video.circle.fill")},
        {QStringLiteral("Finder"), QStringLiteral("folder.fill")},
        {QStringLiteral("Safari"), QStringLiteral("safari.fill")},
        {QStringLiteral("Chrome"), QStringLiteral("globe")},
        {QStringLiteral("Firefox"), QStringLiteral("globe")},
        {QStringLiteral("Slack"), QStringLiteral("message.fill")},
        {QStringLiteral("Skype"), QStringLiteral("phone.fill")},
        {QStringLiteral("FaceTime"), QStringLiteral("video.fill")},
    };
    return known.value(appName, symbolForDevices(accessType));
}

PersistableActivityItem PersistableActivityItem::from(const ActivityItem& item) {
    return {item.appName,    iconNameFor(item.appName, item.accessType),
            item.accessType, item.timestamp,
            item.duration,   item.status};
}

ActivityItem PersistableActivityItem::toActivityItem() const {
    return {appName,    IconReference::symbol(iconName.value_or(symbolForDevices(accessType))),
            accessType, timestamp,
            duration,   status};
}

QJsonObject PersistableActivityItem::toJson() const {
    QJsonArray devices;
    for (DeviceType device : accessType) {
        devices.append(encodeDeviceType(device));
    }
    QJsonObject object{
        {QStringLiteral("appName"), appName},
        {QStringLiteral("accessType"), devices},
        {QStringLiteral("timestamp"), secondsSinceReferenceDate(timestamp)},
        {QStringLiteral("duration"), duration},
        {QStringLiteral("status"), rawValue(status)},
    };
    if (iconName) {
        object.insert(QStringLiteral("iconName"), *iconName);
    }
    return object;
}

std::optional<PersistableActivityItem> PersistableActivityItem::fromJson(const QJsonObject& object,
                                                                         QString* error) {
    PersistableActivityItem item;
    QString status;
    if (!readString(object, QStringLiteral("appName"), &item.appName, error) ||
        !readString(object, QStringLiteral("duration"), &item.duration, error) ||
        !readString(object, QStringLiteral("status"), &status, error)) {
        return std::nullopt;
    }
    const std::optional<ActivityStatus> decodedStatus = activityStatusFromRawValue(status);
    if (!decodedStatus) {
        fail(error, QStringLiteral("\"%1\" is not an activity status").arg(status));
        return std::nullopt;
    }
    item.status = *decodedStatus;

    const QJsonValue icon = object.value(QStringLiteral("iconName"));
    if (!icon.isUndefined()) {
        if (!icon.isString()) {
            fail(error, QStringLiteral("key \"iconName\" is not a string"));
            return std::nullopt;
        }
        item.iconName = icon.toString();
    }

    const QJsonValue time = object.value(QStringLiteral("timestamp"));
    if (!time.isDouble() || !std::isfinite(time.toDouble())) {
        fail(error, QStringLiteral("key \"timestamp\" is not a number"));
        return std::nullopt;
    }
    item.timestamp = dateFromReferenceSeconds(time.toDouble());

    const QJsonValue devices = object.value(QStringLiteral("accessType"));
    if (!devices.isArray()) {
        fail(error, QStringLiteral("key \"accessType\" is not an array"));
        return std::nullopt;
    }
    for (const QJsonValue& device : devices.toArray()) {
        const std::optional<DeviceType> decoded = decodeDeviceType(device);
        if (!decoded) {
            fail(error, QStringLiteral("\"accessType\" holds something that is not a device"));
            return std::nullopt;
        }
        item.accessType.append(*decoded);
    }
    return item;
}

QByteArray encodeRecentActivities(const std::vector<PersistableActivityItem>& items) {
    QJsonArray array;
    for (const PersistableActivityItem& item : items) {
        array.append(item.toJson());
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

DecodedRecentActivities decodeRecentActivities(const QByteArray& data) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return {std::nullopt, parseError.errorString()};
    }
    if (!document.isArray()) {
        return {std::nullopt, QStringLiteral("the stored value is not a JSON array")};
    }
    std::vector<PersistableActivityItem> items;
    const QJsonArray array = document.array();
    for (qsizetype index = 0; index < array.size(); ++index) {
        const QJsonValue element = array.at(index);
        QString error;
        std::optional<PersistableActivityItem> item;
        if (element.isObject()) {
            item = PersistableActivityItem::fromJson(element.toObject(), &error);
        } else {
            error = QStringLiteral("not an object");
        }
        if (!item) {
            return {std::nullopt, QStringLiteral("element %1: %2").arg(index).arg(error)};
        }
        items.push_back(std::move(*item));
    }
    return {std::move(items), QString()};
}

} // namespace ostrel
