#include "platform/linux/LinuxPlatform.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QStandardPaths>

namespace ostrel {

namespace {

QString orDefault(const QString& chosen, const QString& fallback) {
    return chosen.isEmpty() ? fallback : chosen;
}

} // namespace

LinuxPlatform::LinuxPlatform(MainRunLoop& loop, const LinuxPlatformRoots& roots)
    : processes_(roots.proc), cameras_(loop, processes_.ownPid(), roots.dev, roots.sys, roots.proc),
      cameraSystem_(cameras_), audio_(loop, processes_.ownPid(), roots.audio, roots.soundServer),
      applications_(
          loop, processes_.ownPid(), roots.proc, DesktopEntryIndex::dataDirsFromEnvironment(),
          roots.useX11 ? X11WindowOwners::connectToSessionDisplay() : nullptr,
          roots.useSystemBus ? std::optional(QDBusConnection::systemBus()) : std::nullopt),
      userNotifications_(QDBusConnection::sessionBus()),
      startAtLogin_(orDefault(roots.autostart, XdgAutostartEntry::defaultFolder()),
                    QCoreApplication::applicationFilePath()),
      singleInstance_(orDefault(roots.runtime,
                                QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))),
      platform_{processes_,
                children_,
                processControl_,
                cameras_,
                cameraSystem_,
                usbRegistry_,
                audio_,
                applications_,
                applicationDescriber_,
                userNotifications_,
                desktopSettings_,
                fileBrowser_,
                startAtLogin_,
                singleInstance_,
                quitRequests_} {}

std::unique_ptr<PlatformServices> makePlatform(MainRunLoop& loop) {
    return std::make_unique<LinuxPlatform>(loop);
}

} // namespace ostrel
