#include "detection/DeviceType.h"

#include <QJsonArray>
#include <QSet>
#include <gtest/gtest.h>

using namespace ostrel;

TEST(DeviceType, RawValuesRoundTripAndOnlyExactOnesDecode) {
    EXPECT_EQ(rawValue(DeviceType::Camera), "Camera");
    EXPECT_EQ(rawValue(DeviceType::Microphone), "Microphone");
    ASSERT_EQ(kAllDeviceTypes.size(), 2u);
    EXPECT_EQ(kAllDeviceTypes[0], DeviceType::Camera);

    for (DeviceType type : kAllDeviceTypes) {
        EXPECT_EQ(decodeDeviceType(encodeDeviceType(type)), type);
    }
    EXPECT_EQ(deviceTypeFromRawValue("Camera"), DeviceType::Camera);
    for (const char* wrong : {"camera", "", "CAMERA", "Microphone ", "Mic"}) {
        EXPECT_FALSE(deviceTypeFromRawValue(wrong)) << wrong;
        EXPECT_FALSE(decodeDeviceType(QJsonValue(QString::fromLatin1(wrong)))) << wrong;
    }
    // Decoding wants a single string, nothing else.
    EXPECT_FALSE(decodeDeviceType(QJsonValue(0)));
    EXPECT_FALSE(decodeDeviceType(QJsonValue()));
    EXPECT_FALSE(decodeDeviceType(QJsonArray{"Camera"}));

    const QSet<DeviceType> set{DeviceType::Camera, DeviceType::Camera, DeviceType::Microphone};
    EXPECT_EQ(set.size(), 2);
}
