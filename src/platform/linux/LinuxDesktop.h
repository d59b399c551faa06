#pragma once

#include "advanced/AdvancedMonitorPlatform.h"
#include "platform/linux/DBusNotificationCenter.h"
#include "platform/linux/LinuxAudioSystem.h"
#include "platform/linux/LinuxCameraService.h"
#include "platform/linux/LinuxCameraSystem.h"
#include "platform/linux/LinuxChildProcessRunner.h"
#include "platform/linux/LinuxDesktopSettings.h"
#include "platform/linux/LinuxProcessControl.h"
#include "platform/linux/LinuxProcessServices.h"
#include "platform/linux/LinuxRunningApplications.h"
#include "platform/linux/LinuxUsbDeviceRegistry.h"

namespace ostrel {

// Where the Linux services look; tests point the device folders at temporary ones.
struct LinuxDesktopRoots {
    QString proc = QStringLiteral("/proc");
    QString sys = QStringLiteral("/sys");
    QString dev = QStringLiteral("/dev");
    LinuxAudioRoots audio;
    QString soundServer; // empty: the sound server the session names
    bool useX11 = true;
    bool useSystemBus = true;
};

// Every platform service of a Linux desktop, made once in the right order. The one place
// that wires the real machine to Ostrel's logic.
class LinuxDesktop {
public:
    LinuxDesktop(MainRunLoop& loop, const LinuxDesktopRoots& roots = {});
    LinuxDesktop(const LinuxDesktop&) = delete;
    LinuxDesktop& operator=(const LinuxDesktop&) = delete;

    // What the monitors ask of the machine.
    AdvancedMonitorPlatform monitorPlatform(NotificationCenter& notificationCenter);

    MainRunLoop& loop;
    LinuxProcessServices processes;
    LinuxChildProcessRunner children;
    LinuxCameraService cameras;
    LinuxAudioSystem audio;
    LinuxRunningApplications applications;
    LinuxCameraSystem cameraSystem;
    LinuxUsbDeviceRegistry usbRegistry;
    DBusNotificationCenter notifications;
    LinuxProcessControl processControl;
    LinuxDesktopSettings desktopSettings;
};

} // namespace ostrel
