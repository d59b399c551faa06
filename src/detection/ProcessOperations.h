#pragma once

#include "detection/ProcessInfo.h"
#include "platform/ProcessServices.h"
#include "platform/RunningApplicationsService.h"

#include <QString>
#include <optional>

namespace ostrel {

// Builds process records for the attribution steps and recognises Ostrel itself.
class ProcessOperations {
public:
    ProcessOperations(RunningApplicationsService& applications, const ProcessServices& processes);

    // The record of a running application: "Unknown" when it has no name.
    static ProcessInfo fromApplication(const RunningApplication& application);
    // How messages name an application: "Unknown" when it has no name.
    static QString displayName(const RunningApplication& application);
    // An application with a bundle identifier that is not Ostrel's: the only kind the
    // attribution steps consider.
    static bool isOtherIdentifiedApplication(const RunningApplication& application);

    // Microphone side: always a record, "Process <pid>" when nothing names the process.
    // A process that belongs to a running application keeps its pid and takes the
    // application's name, identifier and path.
    ProcessInfo makeProcessInfo(qint32 pid);
    // Camera side: the owning running application as above, else the executable's file
    // name, else nothing.
    std::optional<ProcessInfo> processDetails(qint32 pid);

    static bool isOwnBundleIdentifier(const QString& bundleIdentifier);
    bool isOwnProcess(const ProcessInfo& process) const;

    // Whether the installed application declares that it uses the camera or the microphone.
    bool hasMediaUsageDeclaration(const QString& bundlePath);
    // Where the application registered for the identifier lives; empty when unknown.
    QString applicationPath(const QString& bundleIdentifier);

private:
    static ProcessInfo fromOwningApplication(qint32 holder, const RunningApplication& application);

    RunningApplicationsService& applications_;
    const ProcessServices& processes_;
};

} // namespace ostrel
