#pragma once

#include <QHashFunctions>
#include <QJsonValue>
#include <QString>
#include <array>
#include <optional>

namespace ostrel {

// The two kinds of device Ostrel watches. The raw values are the device texts everywhere:
// stored, shown and logged.
enum class DeviceType {
    Camera,
    Microphone,
};

inline constexpr std::array<DeviceType, 2> kAllDeviceTypes{DeviceType::Camera,
                                                           DeviceType::Microphone};

QString rawValue(DeviceType type);
// Exact raw values only: "camera" or "" yield nothing.
std::optional<DeviceType> deviceTypeFromRawValue(const QString& raw);

QJsonValue encodeDeviceType(DeviceType type);
// Fails (nothing) for anything but a string holding an exact raw value.
std::optional<DeviceType> decodeDeviceType(const QJsonValue& value);

inline size_t qHash(DeviceType type, size_t seed = 0) {
    return ::qHash(rawValue(type), seed);
}

} // namespace ostrel
