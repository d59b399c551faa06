#include "dashboard/SessionCriticalProcesses.h"

#include <QStringList>

namespace ostrel {

bool isSessionCriticalProcessName(const QString& name) {
    static const QStringList names{
        QStringLiteral("pipewire"),
        QStringLiteral("pipewire-pulse"),
        QStringLiteral("pipewire-media-session"),
        QStringLiteral("wireplumber"),
        QStringLiteral("pulseaudio"),
        QStringLiteral("jackd"),
        QStringLiteral("jackdbus"),
        QStringLiteral("xorg"),
        QStringLiteral("x"),
        QStringLiteral("xwayland"),
        QStringLiteral("gnome-shell"),
        QStringLiteral("mutter"),
        QStringLiteral("gnome-session-binary"),
        QStringLiteral("plasmashell"),
        QStringLiteral("ksmserver"),
        QStringLiteral("weston"),
        QStringLiteral("sway"),
        QStringLiteral("hyprland"),
        QStringLiteral("systemd"),
        QStringLiteral("dbus-daemon"),
        QStringLiteral("dbus-broker"),
    };
    const QString lowered = name.trimmed().toLower();
    return names.contains(lowered) || lowered.startsWith(QStringLiteral("kwin_"));
}

} // namespace ostrel
