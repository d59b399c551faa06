#include "app/OnboardingManager.h"

#include "base/Log.h"

namespace ostrel {

OnboardingManager::OnboardingManager(QSettings& preferences, AppVersionInfo version)
    : preferences_(preferences), version_(std::move(version)) {}

std::optional<QString> OnboardingManager::getAppVersion() const {
    if (version_.shortVersion && !version_.shortVersion->isEmpty()) {
        return version_.shortVersion;
    }
    if (version_.buildNumber && !version_.buildNumber->isEmpty()) {
        logLine(QStringLiteral(
                    "⚠️ [Onboarding] No version number found, using the build number: ") +
                *version_.buildNumber);
        return version_.buildNumber;
    }
    logLine(QStringLiteral("❌ [Onboarding] No version information found in release build"));
    return std::nullopt;
}

bool OnboardingManager::isOnboardingCompleted() const {
    const std::optional<QString> version = getAppVersion();
    if (!version) {
        logLine(QStringLiteral("⚠️ [Onboarding] Could not get current app version"));
        return false;
    }
    const QVariant stored = preferences_.value(completedVersionKey);
    const std::optional<QString> storedVersion =
        stored.isValid() ? std::optional<QString>(stored.toString()) : std::nullopt;
    logLine(QStringLiteral("🔍 [Onboarding] Current version: ") + *version);
    logLine(QStringLiteral("🔍 [Onboarding] Last onboarding version: ") +
            storedVersion.value_or(QStringLiteral("nil")));
    if (!storedVersion) {
        logLine(QStringLiteral(
            "📝 [Onboarding] No previous onboarding version found - showing onboarding"));
        return false;
    }
    const bool completed = *storedVersion == *version;
    logLine(QStringLiteral("✅ [Onboarding] Onboarding completed for this version: ") +
            boolText(completed));
    return completed;
}

void OnboardingManager::markOnboardingCompleted() {
    const std::optional<QString> version = getAppVersion();
    if (!version) {
        logLine(QStringLiteral(
            "❌ [Onboarding] Could not get current app version when marking completed"));
        return;
    }
    preferences_.setValue(completedVersionKey, *version);
    preferences_.setValue(completedKey, true);
    logLine(QStringLiteral("✅ [Onboarding] Marked onboarding as completed for version: ") +
            *version);
    preferences_.sync();
}

void OnboardingManager::checkAndShowOnboarding() {
    logLine(QStringLiteral("🚀 [Onboarding] Checking if onboarding is needed..."));
    if (isOnboardingCompleted()) {
        logLine(QStringLiteral("✅ [Onboarding] Onboarding already completed, skipping"));
        return;
    }
    logLine(QStringLiteral("📋 [Onboarding] Showing onboarding"));
    if (showOnboarding) {
        showOnboarding();
    }
}

} // namespace ostrel
