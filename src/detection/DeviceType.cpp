#include "detection/DeviceType.h"

namespace ostrel {

QString rawValue(DeviceType type) {
    switch (type) {
    case DeviceType::Camera:
        return QStringLiteral("Camera");
    case DeviceType::Microphone:
        return QStringLiteral("Microphone");
    }
    return {};
}

std::optional<DeviceType> deviceTypeFromRawValue(const QString& raw) {
    for (DeviceType type : kAllDeviceTypes) {
        if (raw == rawValue(type)) {
            return type;
        }
    }
    return std::nullopt;
}

QJsonValue encodeDeviceType(DeviceType type) {
    return rawValue(type);
}

std::optional<DeviceType> decodeDeviceType(const QJsonValue& value) {
    if (!value.isString()) {
        return std::nullopt;
    }
    return deviceTypeFromRawValue(value.toString());
}

} // namespace ostrel
