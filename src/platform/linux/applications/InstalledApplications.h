#pragma once

#include "platform/linux/applications/DesktopEntryIndex.h"
#include "platform/linux/applications/FlatpakInstallations.h"

#include <QString>
#include <QVariantMap>
#include <optional>

namespace ostrel {

// What the desktop knows about installed applications. An application's location is its
// .desktop file, or for a Flatpak app without an entry its app directory; both forms are
// accepted wherever a location is asked about.
class InstalledApplications {
public:
    InstalledApplications(const DesktopEntryIndex& entries, const FlatpakInstallations& flatpaks);

    std::optional<QString> applicationPath(const QString& applicationId) const;
    // A Flatpak app's declarations (from its metadata), or the top-level dictionary of a
    // bundle directory's Contents/Info.plist; none for anything else.
    std::optional<QVariantMap> applicationInfo(const QString& path) const;
    QString iconNameForPath(const QString& path) const;

private:
    const DesktopEntryIndex& entries_;
    const FlatpakInstallations& flatpaks_;
};

} // namespace ostrel
