#pragma once

#include "platform/Platform.h"
#include "platform/linux/applications/LinuxApplicationDescriber.h"
#include "platform/linux/applications/LinuxRunningApplications.h"
#include "platform/linux/audio/LinuxAudioSystem.h"
#include "platform/linux/camera/LinuxCameraService.h"
#include "platform/linux/camera/LinuxCameraSystem.h"
#include "platform/linux/camera/LinuxUsbDeviceRegistry.h"
#include "platform/linux/proc/LinuxChildProcessRunner.h"
#include "platform/linux/proc/LinuxProcessControl.h"
#include "platform/linux/proc/LinuxProcessServices.h"
#include "platform/linux/session/DBusNotificationCenter.h"
#include "platform/linux/session/LinuxDesktopSettings.h"
#include "platform/linux/session/LinuxFileBrowser.h"
#include "platform/linux/session/SessionSingleInstance.h"
#include "platform/linux/session/UnixSignalQuitter.h"
#include "platform/linux/session/XdgAutostartEntry.h"

namespace ostrel {

// Where the Linux services look; tests point the device folders at temporary ones.
struct LinuxPlatformRoots {
    QString proc = QStringLiteral("/proc");
    QString sys = QStringLiteral("/sys");
    QString dev = QStringLiteral("/dev");
    LinuxAudioRoots audio;
    QString soundServer; // empty: the sound server the session names
    QString runtime;     // empty: the session's runtime folder
    QString autostart;   // empty: the user's autostart folder
    bool useX11 = true;
    bool useSystemBus = true;
};

// Every service of a Linux desktop, made once in the right order: the one place that wires
// the real machine to Ostrel.
class LinuxPlatform final : public PlatformServices {
public:
    explicit LinuxPlatform(MainRunLoop& loop, const LinuxPlatformRoots& roots = {});
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    Platform& platform() override { return platform_; }

private:
    LinuxProcessServices processes_;
    LinuxChildProcessRunner children_;
    LinuxProcessControl processControl_;
    LinuxCameraService cameras_;
    LinuxCameraSystem cameraSystem_;
    LinuxUsbDeviceRegistry usbRegistry_;
    LinuxAudioSystem audio_;
    LinuxRunningApplications applications_;
    LinuxApplicationDescriber applicationDescriber_;
    DBusNotificationCenter userNotifications_;
    LinuxDesktopSettings desktopSettings_;
    LinuxFileBrowser fileBrowser_;
    XdgAutostartEntry startAtLogin_;
    SessionSingleInstance singleInstance_;
    UnixSignalQuitter quitRequests_;
    Platform platform_;
};

} // namespace ostrel
