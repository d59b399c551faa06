#pragma once

#include "platform/StartAtLogin.h"

#include <QString>

namespace ostrel {

// Start at login through an XDG autostart entry ("io.github.Ostrel.desktop" in the user's
// autostart folder), which every freedesktop session reads when it starts.
class XdgAutostartEntry final : public StartAtLogin {
public:
    // `executablePath` is what the entry starts, normally the running binary.
    XdgAutostartEntry(QString autostartFolder, QString executablePath);

    // "$XDG_CONFIG_HOME/autostart" (~/.config/autostart).
    static QString defaultFolder();
    // The entry's contents, starting `executablePath`.
    static QByteArray entryText(const QString& executablePath);

    bool isEnabled() override;
    bool setEnabled(bool enabled) override;

    QString entryPath() const;

private:
    QString folder_;
    QString executablePath_;
};

} // namespace ostrel
