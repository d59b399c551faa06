#pragma once

#include "app/OnboardingView.h"

namespace ostrel {

// The "Ostrel Setup" window around the setup assistant; finishing the assistant closes it.
class OnboardingWindow final : public QWidget {
public:
    // The name by which the finished assistant finds its window.
    static inline const QString frameAutosaveName = QStringLiteral("OnboardingWindow");

    OnboardingWindow(const OnboardingPlatform& platform, OnboardingManager& manager);

    OnboardingView* view() const { return view_; }

private:
    OnboardingView* view_;
};

} // namespace ostrel
