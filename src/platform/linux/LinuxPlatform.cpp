#include "platform/linux/LinuxPlatform.h"

#include "platform/linux/applications/LinuxApplicationDescriber.h"
#include "platform/linux/applications/LinuxRunningApplications.h"
#include "platform/linux/camera/LinuxCameraService.h"
#include "platform/linux/camera/LinuxCameraSystem.h"
#include "platform/linux/camera/LinuxUsbDeviceRegistry.h"
#include "platform/linux/journal/SystemdEventJournal.h"
#include "platform/linux/pipewire/PipeWireCameraService.h"
#include "platform/linux/pipewire/PipeWireGraphWatch.h"
#include "platform/linux/proc/LinuxChildProcessRunner.h"
#include "platform/linux/proc/LinuxProcessControl.h"
#include "platform/linux/proc/LinuxProcessServices.h"
#include "platform/linux/session/DBusNotificationCenter.h"
#include "platform/linux/session/LinuxDesktopSettings.h"
#include "platform/linux/session/LinuxFileBrowser.h"
#include "platform/linux/session/UnixSignalQuitter.h"
#include "platform/linux/session/XdgAutostartEntry.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QStandardPaths>

namespace ostrel {

namespace {

QString orDefault(const QString& chosen, const QString& fallback) {
    return chosen.isEmpty() ? fallback : chosen;
}

} // namespace

struct LinuxPlatform::Services {
    Services(MainRunLoop& loop, const LinuxPlatformRoots& roots, SingleInstance& singleInstance)
        : processes(roots.proc), pipeWire(loop, roots.pipeWireRemote),
          cameraDevices(loop, processes.ownPid(), roots.dev, roots.sys, roots.proc),
          cameraSystem(cameraDevices),
          cameras(cameraDevices, pipeWire, processes.ownPid(), StreamOwnerRule(roots.proc)),
          audio(loop, processes.ownPid(), roots.audio, roots.soundServer, &pipeWire),
          applications(
              loop, processes.ownPid(), roots.proc, DesktopEntryIndex::dataDirsFromEnvironment(),
              roots.useX11 ? X11WindowOwners::connectToSessionDisplay() : nullptr,
              roots.useSystemBus ? std::optional(QDBusConnection::systemBus()) : std::nullopt),
          eventJournal(processes, applications), userNotifications(QDBusConnection::sessionBus()),
          startAtLogin(orDefault(roots.autostart, XdgAutostartEntry::defaultFolder()),
                       QCoreApplication::applicationFilePath()),
          platform{processes,
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
                   eventJournal} {}

    LinuxProcessServices processes;
    LinuxChildProcessRunner children;
    LinuxProcessControl processControl;
    PipeWireGraphWatch pipeWire;
    LinuxCameraService cameraDevices;
    LinuxCameraSystem cameraSystem;
    PipeWireCameraService cameras;
    LinuxUsbDeviceRegistry usbRegistry;
    LinuxAudioSystem audio;
    LinuxRunningApplications applications;
    LinuxApplicationDescriber applicationDescriber;
    SystemdEventJournal eventJournal;
    DBusNotificationCenter userNotifications;
    LinuxDesktopSettings desktopSettings;
    LinuxFileBrowser fileBrowser;
    XdgAutostartEntry startAtLogin;
    UnixSignalQuitter quitRequests;
    Platform platform;
};

LinuxPlatform::LinuxPlatform(MainRunLoop& loop, LinuxPlatformRoots roots)
    : loop_(loop), roots_(std::move(roots)),
      singleInstance_(orDefault(
          roots_.runtime, QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))) {}

LinuxPlatform::~LinuxPlatform() = default;

Platform& LinuxPlatform::platform() {
    if (!services_) {
        services_ = std::make_unique<Services>(loop_, roots_, singleInstance_);
    }
    return services_->platform;
}

std::unique_ptr<PlatformServices> makePlatform(MainRunLoop& loop) {
    return std::make_unique<LinuxPlatform>(loop);
}

} // namespace ostrel
