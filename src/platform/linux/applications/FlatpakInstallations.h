#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>

namespace ostrel {

// The Flatpak installations whose exported entries are in the XDG data dirs: a data dir
// "<installation>/exports/share" means apps deployed under "<installation>/app".
class FlatpakInstallations {
public:
    explicit FlatpakInstallations(const QStringList& dataDirs);

    // "<installation>/app/<id>/current/active", the deployed app with its metadata; the
    // first installation in data-dir order (the user's before the system's) wins.
    std::optional<QString> appDirectory(const QString& appId) const;
    // The app a desktop entry starts: by its X-Flatpak= id, else by following the exported
    // file back into the app it was exported from.
    std::optional<QString> appDirectoryOfDesktopFile(const QString& desktopPath,
                                                     const QString& flatpakId) const;

    // The application id in an app directory's metadata; none when it is not a Flatpak app.
    static std::optional<QString> appIdOf(const QString& appDirectory);
    // What the app's metadata declares: "NSCameraUsageDescription" when it asks for every
    // device (devices=all is the only permission that opens the camera nodes) and
    // "NSMicrophoneUsageDescription" when it asks for the sound server (sockets=pulseaudio).
    // None when the directory holds no Flatpak app metadata.
    static std::optional<QVariantMap> declarations(const QString& appDirectory);

private:
    QStringList installations_;
};

} // namespace ostrel
