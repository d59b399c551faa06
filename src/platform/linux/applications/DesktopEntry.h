#pragma once

#include "platform/linux/applications/KeyFile.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace ostrel {

// One application's desktop entry: what the desktop shows for it and how it is started.
struct DesktopEntry {
    QString id;                  // desktop-file id, e.g. "org.gnome.Cheese"
    QString path;                // the .desktop file
    std::optional<QString> name; // Name= for the user's language
    QString program;             // file name of the program Exec= starts; empty when none
    QString programPath;         // that program as Exec= gives it: a path or a name in PATH
    QString startupWmClass;      // StartupWMClass=
    QString icon;                // Icon=: a theme name or a file path
    QString flatpakId;           // X-Flatpak=: the Flatpak application it starts
    bool noDisplay = false;
    bool hidden = false; // the user or the system deleted it
    bool terminal = false;

    // None when the file has no [Desktop Entry] group or describes something other than an
    // application (a link, a folder).
    static std::optional<DesktopEntry> fromKeyFile(const KeyFile& file, const QString& id,
                                                   const QString& path,
                                                   const QStringList& localeKeys);
};

} // namespace ostrel
