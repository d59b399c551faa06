#include "platform/linux/session/LinuxDesktopSettings.h"

#include "base/Log.h"

#include <QProcess>
#include <QStandardPaths>

namespace ostrel {

namespace {

QString gnomePanel(DesktopSettings::Pane pane) {
    switch (pane) {
    case DesktopSettings::Pane::Camera:
        return QStringLiteral("camera");
    case DesktopSettings::Pane::Microphone:
        return QStringLiteral("microphone");
    case DesktopSettings::Pane::Notifications:
        return QStringLiteral("notifications");
    case DesktopSettings::Pane::Privacy:
        break;
    }
    return QStringLiteral("privacy");
}

QString kdeModule(DesktopSettings::Pane pane) {
    switch (pane) {
    case DesktopSettings::Pane::Notifications:
        return QStringLiteral("kcm_notifications");
    case DesktopSettings::Pane::Microphone:
        return QStringLiteral("kcm_pulseaudio");
    case DesktopSettings::Pane::Camera:
    case DesktopSettings::Pane::Privacy:
        break;
    }
    return {}; // KDE has no camera or privacy module
}

bool startDetached(const QString& program, const QStringList& arguments) {
    const QString executable = QStandardPaths::findExecutable(program);
    return !executable.isEmpty() && QProcess::startDetached(executable, arguments);
}

} // namespace

LinuxDesktopSettings::LinuxDesktopSettings(QString currentDesktop, Launcher launcher)
    : currentDesktop_(std::move(currentDesktop)),
      launcher_(launcher ? std::move(launcher) : Launcher(startDetached)) {}

std::optional<QStringList> LinuxDesktopSettings::commandFor(const QString& currentDesktop,
                                                            Pane pane) {
    const QStringList desktops = currentDesktop.toUpper().split(QLatin1Char(':'));
    if (desktops.contains(QStringLiteral("GNOME")) || desktops.contains(QStringLiteral("UNITY"))) {
        return QStringList{QStringLiteral("gnome-control-center"), gnomePanel(pane)};
    }
    if (desktops.contains(QStringLiteral("KDE"))) {
        const QString module = kdeModule(pane);
        if (!module.isEmpty()) {
            return QStringList{QStringLiteral("systemsettings"), module};
        }
    }
    return std::nullopt;
}

bool LinuxDesktopSettings::open(Pane pane) {
    const std::optional<QStringList> command = commandFor(currentDesktop_, pane);
    if (!command) {
        logLine(
            QStringLiteral("ℹ️ [Settings] This desktop has no settings page Ostrel can open "
                           "for that"));
        return false;
    }
    if (!launcher_(command->first(), command->mid(1))) {
        logLine(QStringLiteral("⚠️ [Settings] Could not start ") +
                command->join(QLatin1Char(' ')));
        return false;
    }
    return true;
}

} // namespace ostrel
