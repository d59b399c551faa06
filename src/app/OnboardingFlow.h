#pragma once

#include "app/OnboardingManager.h"
#include "base/MainRunLoop.h"
#include "platform/AudioSystem.h"
#include "platform/CameraService.h"
#include "platform/DesktopSettings.h"
#include "platform/UserNotificationCenter.h"

#include <QObject>
#include <memory>
#include <optional>

namespace ostrel {

enum class PermissionType { microphone, camera, notifications };

// What the setup assistant asks of the machine.
struct OnboardingPlatform {
    CameraService& cameras;
    AudioSystem& audio;
    UserNotificationCenter& notifications;
    DesktopSettings& desktopSettings;
    MainRunLoop& loop;
};

// The setup assistant's state and steps: which of the seven steps is shown, what the
// permission steps know of each permission, and what their buttons do.
class OnboardingFlow final : public QObject {
    Q_OBJECT

public:
    static constexpr int totalSteps = 7;

    OnboardingFlow(const OnboardingPlatform& platform, OnboardingManager& manager,
                   QObject* parent = nullptr);

    // Runs after the completion was stored; the window closes itself.
    std::function<void()> onFinished;

    int currentStep() const { return currentStep_; }
    AuthorizationStatus cameraPermissionStatus() const { return cameraStatus_; }
    AuthorizationStatus microphonePermissionStatus() const { return microphoneStatus_; }
    NotificationAuthorizationStatus notificationPermissionStatus() const {
        return notificationStatus_;
    }
    bool isRequestingPermission() const { return isRequestingPermission_; }

    // Steps 2 to 4 ask for a permission.
    static std::optional<PermissionType> permissionForStep(int step);

    // Reads the current permissions, as the flow does whenever it is shown.
    void readPermissionStatuses();
    void nextStep();
    void previousStep();
    void finishOnboarding();

    bool isGranted(PermissionType type) const;
    bool isDenied(PermissionType type) const;
    // What the step should add in words; empty when nothing.
    QString note(PermissionType type) const;
    // "Continue", "Open Settings" or "Grant Access", and what pressing it does.
    QString mainButtonTitle(PermissionType type) const;
    void mainButtonAction(PermissionType type);
    // "Required", "Restricted", "Denied", "Granted", "No service" or "Unknown".
    QString statusBadgeText(PermissionType type) const;
    void requestPermission(PermissionType type);
    void openPermissionSettings(PermissionType type);

signals:
    void changed();

private:
    static int stepOf(PermissionType type);
    AuthorizationStatus captureStatus(PermissionType type) const;
    bool lacksService(PermissionType type) const;
    // The answer to a request arrived: a granted permission moves on, as long as the user is
    // still on its step.
    void requestAnswered(PermissionType type);

    OnboardingPlatform platform_;
    OnboardingManager& manager_;
    int currentStep_ = 0;
    AuthorizationStatus cameraStatus_ = AuthorizationStatus::NotDetermined;
    AuthorizationStatus microphoneStatus_ = AuthorizationStatus::NotDetermined;
    NotificationAuthorizationStatus notificationStatus_ =
        NotificationAuthorizationStatus::NotDetermined;
    bool notificationServerMissing_ = false;
    bool isRequestingPermission_ = false;
    // Shared with the answers still on their way, so none reaches a closed flow.
    std::shared_ptr<char> alive_ = std::make_shared<char>('\0');
};

} // namespace ostrel
