#pragma once

#include "app/AppVersionInfo.h"

#include <QSettings>
#include <functional>
#include <optional>

namespace ostrel {

// Remembers for which version the setup assistant was completed, and shows it when the
// running version has not been through it.
class OnboardingManager {
public:
    static inline const QString completedVersionKey = QStringLiteral("OnboardingCompletedVersion");
    static inline const QString completedKey = QStringLiteral("OnboardingCompleted");

    OnboardingManager(QSettings& preferences, AppVersionInfo version);

    // Shows the setup assistant; the entry point connects it to the onboarding window.
    std::function<void()> showOnboarding;

    // The short version, else the build number; none when the build carries neither.
    std::optional<QString> getAppVersion() const;
    bool isOnboardingCompleted() const;
    void markOnboardingCompleted();
    void checkAndShowOnboarding();

private:
    QSettings& preferences_;
    AppVersionInfo version_;
};

} // namespace ostrel
