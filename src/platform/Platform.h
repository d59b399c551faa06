#pragma once

#include "platform/ApplicationDescriber.h"
#include "platform/AudioSystem.h"
#include "platform/CameraService.h"
#include "platform/CameraSystem.h"
#include "platform/ChildProcessRunner.h"
#include "platform/DesktopSettings.h"
#include "platform/EventJournal.h"
#include "platform/FileBrowser.h"
#include "platform/ProcessControl.h"
#include "platform/ProcessServices.h"
#include "platform/QuitRequests.h"
#include "platform/RunningApplicationsService.h"
#include "platform/SingleInstance.h"
#include "platform/StartAtLogin.h"
#include "platform/UsbDeviceRegistry.h"
#include "platform/UserNotificationCenter.h"

#include <memory>

namespace ostrel {

class MainRunLoop;

// The whole machine as Ostrel sees it: one reference per capability. The program gets it
// from makePlatform(); the tests build theirs from fakes.
struct Platform {
    ProcessServices& processes;
    ChildProcessRunner& children;
    ProcessControl& processControl;
    CameraService& cameras;
    CameraSystem& cameraSystem;
    UsbDeviceRegistry& usbRegistry;
    AudioSystem& audio;
    RunningApplicationsService& applications;
    ApplicationDescriber& applicationDescriber;
    UserNotificationCenter& userNotifications;
    DesktopSettings& desktopSettings;
    FileBrowser& fileBrowser;
    StartAtLogin& startAtLogin;
    SingleInstance& singleInstance;
    QuitRequests& quitRequests;
    EventJournal& eventJournal;
};

// Owns the services behind a Platform; they live exactly as long as this object.
class PlatformServices {
public:
    virtual ~PlatformServices() = default;
    // Ready at once: a second launch asks it, and leaves before anything else is started.
    virtual SingleInstance& singleInstance() = 0;
    // The rest of the machine, started on the first call.
    virtual Platform& platform() = 0;
};

// The services of the system Ostrel was built for, made once, in the right order, on the
// main thread after the application object exists. Defined by the one platform folder the
// build chose.
std::unique_ptr<PlatformServices> makePlatform(MainRunLoop& loop);

} // namespace ostrel
