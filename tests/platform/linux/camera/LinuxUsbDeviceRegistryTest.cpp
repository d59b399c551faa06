#include "platform/linux/camera/LinuxUsbDeviceRegistry.h"

#include <gtest/gtest.h>

using namespace ostrel;

TEST(LinuxUsbDeviceRegistry, ClassNamesAlwaysSayUsbAndNameMediaInterfaces) {
    EXPECT_EQ(usbClassName(":0e0100:0e0200:010100:010200:"), "USB Video Audio Device");
    EXPECT_EQ(usbClassName(":010100:010200:030000:"), "USB Audio Device");
    EXPECT_EQ(usbClassName(":0E0100:"), "USB Video Device");
    EXPECT_EQ(usbClassName(":090000:"), "USB Device");
    EXPECT_EQ(usbClassName(""), "USB Device");
    EXPECT_EQ(usbClassName("garbage:0"), "USB Device");
}

// udev may be missing or refuse its socket in a container; either way nothing breaks and the
// registry can be opened again.
TEST(LinuxUsbDeviceRegistry, OpensListsAndClosesRepeatedly) {
    LinuxUsbDeviceRegistry registry;
    for (int round = 0; round < 2; ++round) {
        if (registry.open() == UsbDeviceRegistry::OpenResult::Opened) {
            std::vector<UsbDevice> present;
            EXPECT_TRUE(registry.matchDevices([](const auto&) {}, present).matchingCreated);
            registry.close();
        }
        EXPECT_FALSE(registry.isOpen());
    }
}
