#include "platform/linux/LinuxDesktop.h"

#include <QDBusConnection>

namespace ostrel {

LinuxDesktop::LinuxDesktop(MainRunLoop& runLoop, const LinuxDesktopRoots& roots)
    : loop(runLoop), processes(roots.proc),
      cameras(runLoop, processes.ownPid(), roots.dev, roots.sys, roots.proc),
      audio(runLoop, processes.ownPid(), roots.audio, roots.soundServer),
      applications(runLoop, processes.ownPid(), roots.proc,
                   DesktopEntryIndex::dataDirsFromEnvironment(),
                   roots.useX11 ? X11WindowOwners::connectToSessionDisplay() : nullptr,
                   roots.useSystemBus ? std::optional(QDBusConnection::systemBus()) : std::nullopt),
      cameraSystem(cameras), notifications(QDBusConnection::sessionBus()) {}

AdvancedMonitorPlatform LinuxDesktop::monitorPlatform(NotificationCenter& notificationCenter) {
    return {{loop, cameras, audio, applications, processes, children},
            notificationCenter,
            cameraSystem,
            usbRegistry};
}

} // namespace ostrel
