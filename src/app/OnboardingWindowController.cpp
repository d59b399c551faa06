#include "app/OnboardingWindowController.h"

namespace ostrel {

OnboardingWindowController::OnboardingWindowController(const OnboardingPlatform& platform,
                                                       OnboardingManager& manager)
    : platform_(platform), manager_(manager) {}

OnboardingWindowController::~OnboardingWindowController() {
    if (window_) {
        // Ostrel ends with the assistant open: the window goes without reporting a close.
        QObject::disconnect(window_, &QObject::destroyed, nullptr, nullptr);
        delete window_;
    }
}

void OnboardingWindowController::showWindow() {
    if (!window_) {
        window_ = new OnboardingWindow(platform_, manager_);
        window_->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(window_, &QObject::destroyed, [this] {
            if (onClosed) {
                onClosed();
            }
        });
    }
    // A permission granted in the desktop's settings meanwhile shows now.
    window_->view()->flow().readPermissionStatuses();
    window_->show();
    window_->raise();
    window_->activateWindow();
}

} // namespace ostrel
