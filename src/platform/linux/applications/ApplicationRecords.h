#pragma once

#include "platform/RunningApplicationsService.h"
#include "platform/linux/applications/ApplicationScanner.h"
#include "platform/linux/applications/DesktopEntryIndex.h"
#include "platform/linux/applications/FlatpakInstallations.h"
#include "platform/linux/proc/ProcFiles.h"

#include <QHash>
#include <optional>
#include <vector>

namespace ostrel {

// Turns scanned applications into the shared records callers hold. An application whose
// record would come out the same keeps its record object, so callers that compare records
// by identity see one application as one object across refreshes.
class ApplicationRecords {
public:
    ApplicationRecords(const DesktopEntryIndex& entries, const FlatpakInstallations& flatpaks,
                       const ProcFiles& proc);

    // One record per scanned application, in the scan's order; `activeApplication` is the
    // index of the one that owns the active window.
    std::vector<RunningApplicationRef> build(const ApplicationScan& scan,
                                             std::optional<int> activeApplication);

private:
    RunningApplication describe(const ScannedApplication& application,
                                const RunningApplicationRef& previous, bool isActive) const;

    const DesktopEntryIndex& entries_;
    const FlatpakInstallations& flatpaks_;
    const ProcFiles& proc_;
    QHash<QString, RunningApplicationRef> previous_; // by application id
};

} // namespace ostrel
