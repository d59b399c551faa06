#pragma once

#include "app/OnboardingFlow.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QStackedWidget;

namespace ostrel {

// The setup assistant's content: a row of step dots above the current screen.
class OnboardingView final : public QWidget {
public:
    OnboardingView(const OnboardingPlatform& platform, OnboardingManager& manager,
                   QWidget* parent = nullptr);

    OnboardingFlow& flow() { return *flow_; }
    QWidget* currentScreen() const;

protected:
    // Enter that no focused button took presses the screen's main button.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showCurrentStep();
    QPushButton* mainButton() const;

    OnboardingFlow* flow_;
    QStackedWidget* screens_;
    QLabel* stepDots_;
};

} // namespace ostrel
