#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace ostrel {

// The process a device change is attributed to.
struct ProcessInfo {
    qint32 pid = -1;
    QString name;
    std::optional<QString> bundleIdentifier;
    std::optional<QString> path; // where the application is installed, not its executable

    // Reported when the microphone became active but no process could be named yet.
    static ProcessInfo microphonePlaceholder() {
        return {-1, QStringLiteral("Detecting microphone usage..."),
                QStringLiteral("placeholder.microphone.detection"), std::nullopt};
    }

    // The camera attribution's last answer when nothing better is known.
    static ProcessInfo unknownProcess() {
        return {-1, QStringLiteral("Unknown Process"), std::nullopt, std::nullopt};
    }
};

} // namespace ostrel
