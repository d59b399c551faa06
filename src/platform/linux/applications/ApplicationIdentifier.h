#pragma once

#include "platform/linux/applications/ApplicationIdentity.h"
#include "platform/linux/applications/DesktopEntryIndex.h"
#include "platform/linux/proc/ProcFiles.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace ostrel {

// Tells which desktop application a process belongs to. The rules, first match wins:
// 1. the Flatpak application id of the sandbox the process runs in (.flatpak-info);
// 2. the snap, from the process's cgroup;
// 3. the application unit the desktop started it in, from the cgroup;
// 4. the desktop entry GIO launched it from, when the launch was this very process and the
//    process runs the entry's own program: the launch record is only the process's word, and
//    must not lend it another application's identity (and so its exemption);
// 5. its program name against the Exec= and StartupWMClass= of the desktop entries.
class ApplicationIdentifier {
public:
    ApplicationIdentifier(const ProcFiles& proc, const DesktopEntryIndex& entries);

    // `cgroup` and `executable` are the process's entries, already read by the caller.
    std::optional<ApplicationIdentity> identify(qint32 pid, const std::optional<QByteArray>& cgroup,
                                                const std::optional<QString>& executable) const;

    // Rules 1 to 3 alone: the sandbox, snap or application unit the process was placed in.
    std::optional<ApplicationIdentity>
    identifyPlacement(qint32 pid, const std::optional<QByteArray>& cgroup) const;

    // Flatpak ids are reverse-DNS names; anything else is refused before it becomes a path.
    static bool isValidFlatpakId(const QString& id);

private:
    std::optional<ApplicationIdentity> fromFlatpakInfo(qint32 pid) const;
    std::optional<ApplicationIdentity> fromGioLaunch(qint32 pid) const;
    std::optional<ApplicationIdentity> fromProgram(qint32 pid,
                                                   const std::optional<QString>& executable) const;

    const ProcFiles& proc_;
    const DesktopEntryIndex& entries_;
};

} // namespace ostrel
