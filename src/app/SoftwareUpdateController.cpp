#include "app/SoftwareUpdateController.h"

#include "Version.h"

namespace ostrel {

SoftwareUpdateController::SoftwareUpdateController(AlertPresenter& alerts) : alerts_(alerts) {}

void SoftwareUpdateController::checkForUpdates() {
    alerts_.runModal(
        {AlertStyle::Informational,
         QStringLiteral("Check for Updates"),
         QStringLiteral("You are running Ostrel %1 (build %2).\n\nUpdates to Ostrel arrive through "
                        "your system's package manager.")
             .arg(QString::fromLatin1(kVersion), QString::fromLatin1(kBuildNumber)),
         {QStringLiteral("OK")}});
}

} // namespace ostrel
