#include "platform/linux/applications/LinuxApplicationDescriber.h"

#include "base/Log.h"

#include <QFileInfo>

namespace ostrel {

LinuxApplicationDescriber::LinuxApplicationDescriber(QStringList dataDirs, QStringList localeKeys,
                                                     QString applicationsFolder)
    : dataDirs_(std::move(dataDirs)), localeKeys_(std::move(localeKeys)),
      applicationsFolder_(std::move(applicationsFolder)) {}

QStringList LinuxApplicationDescriber::applicationFileFilters() const {
    return {QStringLiteral("Applications (*.desktop)")};
}

ApplicationDescription LinuxApplicationDescriber::describe(const QString& path) const {
    ApplicationDescription description;
    description.displayName = QFileInfo(path).completeBaseName();
    // Built when asked: the user picks an application rarely, and the index must see entries
    // installed since Ostrel started.
    const DesktopEntryIndex index(dataDirs_, localeKeys_);
    const std::optional<DesktopEntry> entry = index.entryAtPath(path);
    if (!entry) {
        logLine(QStringLiteral("⚠️ [Applications] %1 is not a readable desktop entry - "
                               "adding it by name")
                    .arg(path));
        return description;
    }
    description.bundleIdentifier = entry->id;
    if (entry->name) {
        description.displayName = *entry->name;
    }
    return description;
}

} // namespace ostrel
