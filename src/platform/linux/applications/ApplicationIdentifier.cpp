#include "platform/linux/applications/ApplicationIdentifier.h"

#include "platform/linux/applications/CgroupApplication.h"
#include "platform/linux/applications/KeyFile.h"
#include "platform/linux/applications/LaunchCommand.h"
#include "platform/linux/applications/ProgramFile.h"

#include <QFileInfo>
#include <algorithm>

namespace ostrel {

ApplicationIdentifier::ApplicationIdentifier(const ProcFiles& proc,
                                             const DesktopEntryIndex& entries)
    : proc_(proc), entries_(entries) {}

bool ApplicationIdentifier::isValidFlatpakId(const QString& id) {
    if (id.isEmpty() || id.size() > 255 || id.startsWith(u'.') ||
        id.contains(QStringLiteral(".."))) {
        return false;
    }
    return std::all_of(id.begin(), id.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
               c == u'.' || c == u'_' || c == u'-';
    });
}

std::optional<ApplicationIdentity>
ApplicationIdentifier::identify(qint32 pid, const std::optional<QByteArray>& cgroup,
                                const std::optional<QString>& executable) const {
    if (std::optional<ApplicationIdentity> identity = identifyPlacement(pid, cgroup)) {
        return identity;
    }
    if (std::optional<ApplicationIdentity> identity = fromGioLaunch(pid)) {
        return identity;
    }
    return fromProgram(pid, executable);
}

std::optional<ApplicationIdentity>
ApplicationIdentifier::identifyPlacement(qint32 pid,
                                         const std::optional<QByteArray>& cgroup) const {
    if (std::optional<ApplicationIdentity> identity = fromFlatpakInfo(pid)) {
        return identity;
    }
    if (cgroup) {
        if (const std::optional<CgroupApplication> unit =
                CgroupApplication::fromCgroupFile(*cgroup)) {
            const bool isFlatpak = unit->launcher == u"flatpak";
            if (!isFlatpak || isValidFlatpakId(unit->applicationId)) {
                return ApplicationIdentity{unit->applicationId, isFlatpak};
            }
        }
    }
    return std::nullopt;
}

std::optional<ApplicationIdentity> ApplicationIdentifier::fromFlatpakInfo(qint32 pid) const {
    const std::optional<QByteArray> info = proc_.flatpakInfo(pid);
    if (!info) {
        return std::nullopt;
    }
    const QString id = KeyFile::parse(*info)
                           .value(QStringLiteral("Application"), QStringLiteral("name"))
                           .value_or(QString())
                           .trimmed();
    if (!isValidFlatpakId(id)) {
        return std::nullopt; // a runtime-only sandbox, or a damaged file
    }
    return ApplicationIdentity{id, true};
}

std::optional<ApplicationIdentity> ApplicationIdentifier::fromGioLaunch(qint32 pid) const {
    // Children inherit the variables; only the process GIO started carries its own pid.
    const std::optional<QByteArray> launchedPid =
        proc_.environmentVariable(pid, "GIO_LAUNCHED_DESKTOP_FILE_PID");
    if (!launchedPid || launchedPid->trimmed() != QByteArray::number(pid)) {
        return std::nullopt;
    }
    const std::optional<QByteArray> file =
        proc_.environmentVariable(pid, "GIO_LAUNCHED_DESKTOP_FILE");
    if (!file) {
        return std::nullopt;
    }
    const QString path = QString::fromUtf8(*file);
    if (!path.startsWith(u'/') || !path.endsWith(QStringLiteral(".desktop"))) {
        return std::nullopt;
    }
    // Only an installed entry has a program to check the process against. An executable
    // replaced by an upgrade no longer matches; its program name still does, under rule 5.
    const DesktopEntry* entry = entries_.entry(entries_.idForPath(path));
    if (!entry || !ProgramFile::isRunBy(entry->programPath, proc_.entryPath(pid, "exe"))) {
        return std::nullopt;
    }
    return ApplicationIdentity{entry->id, entry->flatpakId == entry->id};
}

std::optional<ApplicationIdentity>
ApplicationIdentifier::fromProgram(qint32 pid, const std::optional<QString>& executable) const {
    // The running image names the program, unless it is an interpreter running a script.
    QString name = executable ? QFileInfo(*executable).fileName() : QString();
    if (name.isEmpty() || LaunchCommand::isGenericProgram(name)) {
        name = LaunchCommand::scriptName(proc_.commandLine(pid));
    }
    if (name.isEmpty() || LaunchCommand::isGenericProgram(name)) {
        return std::nullopt;
    }
    const DesktopEntry* entry = entries_.entryForProgram(name);
    if (!entry) {
        return std::nullopt;
    }
    return ApplicationIdentity{entry->id,
                               !entry->flatpakId.isEmpty() && entry->flatpakId == entry->id};
}

} // namespace ostrel
