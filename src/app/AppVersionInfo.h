#pragma once

#include <QString>
#include <optional>

namespace ostrel {

// The running build's version information: the short version ("0.1.0") and the build
// number, either of which a build may lack.
struct AppVersionInfo {
    std::optional<QString> shortVersion;
    std::optional<QString> buildNumber;

    // What CMake put into this build; an empty value counts as missing.
    static AppVersionInfo current();

    // "Ostrel v0.1.0 (Build 1)", "Unknown" for each missing value.
    QString displayText() const;
};

} // namespace ostrel
