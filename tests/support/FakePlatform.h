#pragma once

#include "platform/Platform.h"
#include "support/FakeApplicationDescriber.h"
#include "support/FakeAudioSystem.h"
#include "support/FakeCameraService.h"
#include "support/FakeCameraSystem.h"
#include "support/FakeChildProcessRunner.h"
#include "support/FakeDesktopSettings.h"
#include "support/FakeEventJournal.h"
#include "support/FakeFileBrowser.h"
#include "support/FakeProcessControl.h"
#include "support/FakeProcessServices.h"
#include "support/FakeRunningApplications.h"
#include "support/FakeStartAtLogin.h"
#include "support/FakeUsbDeviceRegistry.h"
#include "support/FakeUserNotificationCenter.h"
#include "support/ManualRunLoop.h"

namespace ostrel {

class FakeSingleInstance final : public SingleInstance {
public:
    bool acquire() override { return true; }
    void listenForActivation(std::function<void()> show) override { this->show = std::move(show); }
    bool askRunningInstanceToShow() override { return false; }

    std::function<void()> show;
};

class FakeQuitRequests final : public QuitRequests {
public:
    void listen(Handler handler) override { this->handler = std::move(handler); }

    Handler handler;
};

// The whole machine made of fakes, on the manual run loop: the tests' counterpart of
// makePlatform(). Fixtures inherit it to reach each fake by name.
struct FakePlatform {
    ManualRunLoop loop;
    FakeProcessServices processes;
    FakeChildProcessRunner children;
    FakeProcessControl processControl;
    FakeCameraService cameras;
    FakeCameraSystem cameraSystem;
    FakeUsbDeviceRegistry usbRegistry;
    FakeAudioSystem audio;
    FakeRunningApplications applications;
    FakeApplicationDescriber applicationDescriber;
    FakeUserNotificationCenter userNotifications{loop};
    FakeDesktopSettings desktopSettings;
    FakeFileBrowser fileBrowser;
    FakeStartAtLogin startAtLogin;
    FakeSingleInstance singleInstance;
    FakeQuitRequests quitRequests;
    FakeEventJournal eventJournal;
    Platform platform{processes,
                      children,
                      processControl,
                      cameras,
                      cameraSystem,
                      usbRegistry,
                      audio,
                      applications,
                      applicationDescriber,
                      userNotifications,
                      desktopSettings,
                      fileBrowser,
                      startAtLogin,
                      singleInstance,
                      quitRequests,
                      eventJournal};
};

} // namespace ostrel
