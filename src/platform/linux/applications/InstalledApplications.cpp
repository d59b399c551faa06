#include "platform/linux/applications/InstalledApplications.h"

#include "platform/linux/applications/InfoPlistReader.h"

#include <QFileInfo>

namespace ostrel {

InstalledApplications::InstalledApplications(const DesktopEntryIndex& entries,
                                             const FlatpakInstallations& flatpaks)
    : entries_(entries), flatpaks_(flatpaks) {}

std::optional<QString> InstalledApplications::applicationPath(const QString& applicationId) const {
    if (applicationId.isEmpty()) {
        return std::nullopt;
    }
    if (const DesktopEntry* entry = entries_.entry(applicationId)) {
        return entry->path;
    }
    return flatpaks_.appDirectory(applicationId);
}

std::optional<QVariantMap> InstalledApplications::applicationInfo(const QString& path) const {
    if (path.isEmpty()) {
        return std::nullopt;
    }
    const QFileInfo info(path);
    if (info.isDir()) {
        if (std::optional<QVariantMap> declared = FlatpakInstallations::declarations(path)) {
            return declared;
        }
        const QString plist = path + QStringLiteral("/Contents/Info.plist");
        if (QFileInfo(plist).isFile()) {
            return InfoPlistReader::read(plist);
        }
        return std::nullopt;
    }
    const std::optional<DesktopEntry> entry = entries_.entryAtPath(path);
    if (!entry) {
        return std::nullopt;
    }
    const std::optional<QString> appDirectory =
        flatpaks_.appDirectoryOfDesktopFile(path, entry->flatpakId);
    return appDirectory ? FlatpakInstallations::declarations(*appDirectory) : std::nullopt;
}

QString InstalledApplications::iconNameForPath(const QString& path) const {
    if (path.isEmpty()) {
        return {};
    }
    if (QFileInfo(path).isDir()) {
        const std::optional<QString> appId = FlatpakInstallations::appIdOf(path);
        if (!appId) {
            return {};
        }
        if (const DesktopEntry* entry = entries_.entry(*appId)) {
            return entry->icon;
        }
        const std::optional<DesktopEntry> exported =
            entries_.entryAtPath(path + QStringLiteral("/export/share/applications/") + *appId +
                                 QStringLiteral(".desktop"));
        return exported ? exported->icon : QString();
    }
    const std::optional<DesktopEntry> entry = entries_.entryAtPath(path);
    return entry ? entry->icon : QString();
}

} // namespace ostrel
