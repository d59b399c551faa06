#pragma once

#include "app/OnboardingWindow.h"
#include "ui/WindowController.h"

#include <QPointer>

namespace ostrel {

// Keeps at most one setup assistant open: showing it while it is open brings it forward;
// a closed one is freed, and the next one starts again at the first step.
class OnboardingWindowController final : public WindowController {
public:
    OnboardingWindowController(const OnboardingPlatform& platform, OnboardingManager& manager);
    ~OnboardingWindowController() override;

    void showWindow() override;
    OnboardingWindow* window() const { return window_; }

private:
    OnboardingPlatform platform_;
    OnboardingManager& manager_;
    QPointer<OnboardingWindow> window_;
};

} // namespace ostrel
