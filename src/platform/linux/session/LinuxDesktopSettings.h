#pragma once

#include "platform/DesktopSettings.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace ostrel {

// The settings programs of the desktops Ostrel knows: GNOME's control centre and KDE's
// system settings, chosen from XDG_CURRENT_DESKTOP. They are started detached, so the
// caller never waits for them.
class LinuxDesktopSettings final : public DesktopSettings {
public:
    using Launcher = std::function<bool(const QString& program, const QStringList& arguments)>;

    explicit LinuxDesktopSettings(
        QString currentDesktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
        Launcher launcher = {});

    bool open(Pane pane) override;

    // The program and arguments for a pane on a desktop; none when unknown.
    static std::optional<QStringList> commandFor(const QString& currentDesktop, Pane pane);

private:
    QString currentDesktop_;
    Launcher launcher_;
};

} // namespace ostrel
