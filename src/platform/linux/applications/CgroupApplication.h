#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

namespace ostrel {

// The application that a process's cgroup names. Desktops start each application in a
// systemd unit of its own, "app[-<launcher>]-<id>-<random>.scope" or
// "app[-<launcher>]-<id>[@<random>].service", and snapd runs snaps in
// "snap.<snap>.<app>[-<uuid>].scope"; only the innermost unit counts, so a shell in a
// terminal's "vte-spawn-....scope" is not the terminal.
struct CgroupApplication {
    enum class Kind { snap, appUnit };

    Kind kind = Kind::appUnit;
    QString applicationId; // desktop-file id; "<snap>_<app>" for a snap, as snapd names it
    QString launcher;      // "flatpak" for a Flatpak sandbox; empty when not given

    // None when the cgroup names no application.
    static std::optional<CgroupApplication> fromCgroupFile(QByteArrayView contents);
    // Resolves systemd's "\xNN" escapes (a '-' inside an id is written "\x2d").
    static QString unescapeUnitName(QStringView name);
};

} // namespace ostrel
