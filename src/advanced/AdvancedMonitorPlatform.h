#pragma once

#include "base/EventBus.h"
#include "detection/DeviceMonitor.h"
#include "platform/Platform.h"

namespace ostrel {

// What the advanced monitor and its components ask of the machine, besides the detector's.
struct AdvancedMonitorPlatform {
    DeviceMonitorPlatform detector;
    EventBus& events;
    CameraSystem& cameraSystem;
    UsbDeviceRegistry& usbRegistry;
    EventJournal& journal; // where security findings are also written

    static AdvancedMonitorPlatform from(Platform& platform, MainRunLoop& loop, EventBus& events) {
        return {{loop, platform.cameras, platform.audio, platform.applications, platform.processes,
                 platform.children},
                events,
                platform.cameraSystem,
                platform.usbRegistry,
                platform.eventJournal};
    }
};

} // namespace ostrel
