#include "platform/linux/applications/DesktopEntry.h"

#include "platform/linux/applications/LaunchCommand.h"

namespace ostrel {

std::optional<DesktopEntry> DesktopEntry::fromKeyFile(const KeyFile& file, const QString& id,
                                                      const QString& path,
                                                      const QStringList& localeKeys) {
    const QString group = QStringLiteral("Desktop Entry");
    if (!file.hasGroup(group)) {
        return std::nullopt;
    }
    // Type= is required, yet hand-written entries often leave it out; they are applications.
    const QString type = file.value(group, QStringLiteral("Type")).value_or(QString()).trimmed();
    if (!type.isEmpty() && type != u"Application") {
        return std::nullopt;
    }
    DesktopEntry entry;
    entry.id = id;
    entry.path = path;
    entry.name = file.localizedValue(group, QStringLiteral("Name"), localeKeys);
    if (entry.name && entry.name->trimmed().isEmpty()) {
        entry.name.reset();
    }
    entry.programPath = LaunchCommand::programPath(LaunchCommand::splitExecLine(
        file.value(group, QStringLiteral("Exec")).value_or(QString())));
    entry.program = LaunchCommand::fileName(entry.programPath);
    entry.startupWmClass =
        file.value(group, QStringLiteral("StartupWMClass")).value_or(QString()).trimmed();
    entry.icon = file.localizedValue(group, QStringLiteral("Icon"), localeKeys)
                     .value_or(QString())
                     .trimmed();
    entry.flatpakId = file.value(group, QStringLiteral("X-Flatpak")).value_or(QString()).trimmed();
    entry.noDisplay = file.booleanValue(group, QStringLiteral("NoDisplay"));
    entry.hidden = file.booleanValue(group, QStringLiteral("Hidden"));
    entry.terminal = file.booleanValue(group, QStringLiteral("Terminal"));
    return entry;
}

} // namespace ostrel
