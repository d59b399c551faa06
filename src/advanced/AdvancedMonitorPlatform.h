#pragma once

#include "base/NotificationCenter.h"
#include "detection/DeviceMonitor.h"
#include "platform/Platform.h"

namespace ostrel {

// What the advanced monitor and its components ask of the machine, besides the detector's.
struct AdvancedMonitorPlatform {
    DeviceMonitorPlatform detector;
    NotificationCenter& notifications;
    CameraSystem& cameraSystem;
    UsbDeviceRegistry& usbRegistry;

    static AdvancedMonitorPlatform from(Platform& platform, MainRunLoop& loop,
                                        NotificationCenter& notifications) {
        return {{loop, platform.cameras, platform.audio, platform.applications, platform.processes,
                 platform.children},
                notifications,
                platform.cameraSystem,
                platform.usbRegistry};
    }
};

} // namespace ostrel
