#include "detection/DeviceType.h"

#include <QJsonArray>
#include <QSet>
#include <gtest/gtest.h>

using namespace ostrel;

TEST(DeviceType, RawValuesRoundTripAndOnlyExactOnesDecode) {
    EXPECT_EQ(kAllDeviceTypes, (std::array{DeviceType::Camera, DeviceType::Microphone}));
    EXPECT_EQ(rawValue(DeviceType::Camera), "Camera");
    EXPECT_EQ(rawValue(DeviceType::Microphone), "Microphone");
    for (DeviceType type : kAllDeviceTypes) {
        EXPECT_EQ(deviceTypeFromRawValue(rawValue(type)), type);
        EXPECT_EQ(decodeDeviceType(encodeDeviceType(type)), type);
    }
    // Decoding wants a single string holding an exact raw value, nothing else.
    for (const QJsonValue& wrong :
         {QJsonValue("camera"), QJsonValue(""), QJsonValue("CAMERA"), QJsonValue("Microphone "),
          QJsonValue("Mic"), QJsonValue(0), QJsonValue(), QJsonValue(QJsonArray{"Camera"})}) {
        EXPECT_FALSE(decodeDeviceType(wrong));
        EXPECT_FALSE(deviceTypeFromRawValue(wrong.toString()));
    }
    EXPECT_EQ(
        QSet<DeviceType>({DeviceType::Camera, DeviceType::Camera, DeviceType::Microphone}).size(),
        2);
}
