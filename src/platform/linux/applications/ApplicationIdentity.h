#pragma once

#include <QString>

namespace ostrel {

// Which desktop application a process belongs to.
struct ApplicationIdentity {
    QString applicationId; // desktop-file id, or the Flatpak application id
    bool isFlatpak = false;

    bool operator==(const ApplicationIdentity&) const = default;
};

} // namespace ostrel
