#pragma once

#include "detection/DeviceMonitor.h"
#include "platform/CameraSystem.h"
#include "platform/NotificationCenter.h"
#include "platform/UsbDeviceRegistry.h"

namespace ostrel {

// What the advanced monitor and its components ask of the machine, besides the detector's.
struct AdvancedMonitorPlatform {
    DeviceMonitorPlatform detector;
    NotificationCenter& notifications;
    CameraSystem& cameraSystem;
    UsbDeviceRegistry& usbRegistry;
};

} // namespace ostrel
