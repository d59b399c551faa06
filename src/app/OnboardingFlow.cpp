#include "app/OnboardingFlow.h"

#include "base/Log.h"

namespace ostrel {

OnboardingFlow::OnboardingFlow(const OnboardingPlatform& platform, OnboardingManager& manager,
                               QObject* parent)
    : QObject(parent), platform_(platform), manager_(manager) {}

std::optional<PermissionType> OnboardingFlow::permissionForStep(int step) {
    switch (step) {
    case 2:
        return PermissionType::microphone;
    case 3:
        return PermissionType::camera;
    case 4:
        return PermissionType::notifications;
    default:
        return std::nullopt;
    }
}

int OnboardingFlow::stepOf(PermissionType type) {
    switch (type) {
    case PermissionType::microphone:
        return 2;
    case PermissionType::camera:
        return 3;
    case PermissionType::notifications:
        break;
    }
    return 4;
}

void OnboardingFlow::readPermissionStatuses() {
    cameraStatus_ = platform_.cameras.authorizationStatus();
    microphoneStatus_ = platform_.audio.authorizationStatus();
    std::weak_ptr<char> alive = alive_;
    platform_.notifications.getNotificationSettings(
        [this, alive](const NotificationSettings& settings) {
            if (alive.expired()) {
                return;
            }
            notificationStatus_ = settings.authorizationStatus;
            notificationServerMissing_ = !settings.serverAvailable;
            emit changed();
        });
    emit changed();
}

void OnboardingFlow::nextStep() {
    if (currentStep_ < totalSteps - 1) {
        ++currentStep_;
        emit changed();
        return;
    }
    finishOnboarding();
}

void OnboardingFlow::previousStep() {
    if (currentStep_ >= 1) {
        --currentStep_;
        emit changed();
    }
}

void OnboardingFlow::finishOnboarding() {
    manager_.markOnboardingCompleted();
    if (onFinished) {
        onFinished();
    }
}

AuthorizationStatus OnboardingFlow::captureStatus(PermissionType type) const {
    return type == PermissionType::camera ? cameraStatus_ : microphoneStatus_;
}

bool OnboardingFlow::isGranted(PermissionType type) const {
    if (type == PermissionType::notifications) {
        return notificationStatus_ == NotificationAuthorizationStatus::Authorized ||
               notificationStatus_ == NotificationAuthorizationStatus::Provisional;
    }
    return captureStatus(type) == AuthorizationStatus::Authorized;
}

bool OnboardingFlow::isDenied(PermissionType type) const {
    if (type == PermissionType::notifications) {
        return notificationStatus_ == NotificationAuthorizationStatus::Denied ||
               notificationStatus_ == NotificationAuthorizationStatus::Ephemeral;
    }
    return captureStatus(type) == AuthorizationStatus::Denied;
}

// Without a notification service nobody can grant or deny anything: the step is passed, and
// the alerts show once a service starts.
bool OnboardingFlow::lacksService(PermissionType type) const {
    return type == PermissionType::notifications && notificationServerMissing_;
}

QString OnboardingFlow::note(PermissionType type) const {
    return lacksService(type)
               ? QStringLiteral("No notification service runs in this session. Ostrel shows its "
                                "alerts once one starts; until then they are in its log.")
               : QString();
}

QString OnboardingFlow::mainButtonTitle(PermissionType type) const {
    if (isGranted(type) || lacksService(type)) {
        return QStringLiteral("Continue");
    }
    return isDenied(type) ? QStringLiteral("Open Settings") : QStringLiteral("Grant Access");
}

void OnboardingFlow::mainButtonAction(PermissionType type) {
    if (isGranted(type) || lacksService(type)) {
        nextStep();
    } else if (isDenied(type)) {
        openPermissionSettings(type);
    } else {
        requestPermission(type);
    }
}

QString OnboardingFlow::statusBadgeText(PermissionType type) const {
    if (lacksService(type)) {
        return QStringLiteral("No service");
    }
    if (type == PermissionType::notifications) {
        // Read by meaning: the notification numbers are not the capture numbers.
        switch (notificationStatus_) {
        case NotificationAuthorizationStatus::NotDetermined:
            return QStringLiteral("Required");
        case NotificationAuthorizationStatus::Denied:
        case NotificationAuthorizationStatus::Ephemeral:
            return QStringLiteral("Denied");
        case NotificationAuthorizationStatus::Authorized:
        case NotificationAuthorizationStatus::Provisional:
            return QStringLiteral("Granted");
        }
        return QStringLiteral("Unknown");
    }
    switch (captureStatus(type)) {
    case AuthorizationStatus::NotDetermined:
        return QStringLiteral("Required");
    case AuthorizationStatus::Restricted:
        return QStringLiteral("Restricted");
    case AuthorizationStatus::Denied:
        return QStringLiteral("Denied");
    case AuthorizationStatus::Authorized:
        return QStringLiteral("Granted");
    }
    return QStringLiteral("Unknown");
}

void OnboardingFlow::requestPermission(PermissionType type) {
    if (isRequestingPermission_) {
        return;
    }
    if (isDenied(type)) {
        openPermissionSettings(type);
        return;
    }
    isRequestingPermission_ = true;
    emit changed();
    std::weak_ptr<char> alive = alive_;
    if (type != PermissionType::notifications) {
        // Linux asks nobody for capture access: the answer is whether Ostrel can reach the
        // devices now, read once the current event is done, as a prompt's answer would be.
        platform_.loop.post([this, alive, type] {
            if (alive.expired()) {
                return;
            }
            if (type == PermissionType::camera) {
                cameraStatus_ = platform_.cameras.authorizationStatus();
            } else {
                microphoneStatus_ = platform_.audio.authorizationStatus();
            }
            requestAnswered(type);
        });
        return;
    }
    platform_.notifications.requestAuthorization(
        [this, alive](bool granted, const std::optional<QString>& error) {
            if (alive.expired()) {
                return;
            }
            logLine(error ? QStringLiteral("❌ Notification permission error: ") + *error
                          : QStringLiteral("✅ Notification permission granted: ") +
                                boolText(granted));
            platform_.notifications.getNotificationSettings(
                [this, alive](const NotificationSettings& settings) {
                    if (alive.expired()) {
                        return;
                    }
                    notificationStatus_ = settings.authorizationStatus;
                    notificationServerMissing_ = !settings.serverAvailable;
                    logLine(QStringLiteral("📱 Final notification status: %1")
                                .arg(static_cast<int>(notificationStatus_)));
                    requestAnswered(PermissionType::notifications);
                });
        });
}

void OnboardingFlow::requestAnswered(PermissionType type) {
    isRequestingPermission_ = false;
    const bool authorized = type == PermissionType::notifications
                                ? notificationStatus_ == NotificationAuthorizationStatus::Authorized
                                : captureStatus(type) == AuthorizationStatus::Authorized;
    if (authorized && currentStep_ == stepOf(type)) {
        nextStep();
        return;
    }
    emit changed();
}

void OnboardingFlow::openPermissionSettings(PermissionType type) {
    switch (type) {
    case PermissionType::microphone:
        platform_.desktopSettings.open(DesktopSettings::Pane::Microphone);
        break;
    case PermissionType::camera:
        platform_.desktopSettings.open(DesktopSettings::Pane::Camera);
        break;
    case PermissionType::notifications:
        platform_.desktopSettings.open(DesktopSettings::Pane::Notifications);
        break;
    }
}

} // namespace ostrel
