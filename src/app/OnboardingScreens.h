#pragma once

#include "app/OnboardingFlow.h"

#include <QWidget>

namespace ostrel {

// The seven screens of the setup assistant. Each screen's buttons drive the flow, and the
// screens that show a permission follow the flow's changes. The screens are named by their
// object names ("WelcomeScreen", "PermissionStepScreen", ...).
QWidget* makeWelcomeScreen(OnboardingFlow& flow);
QWidget* makeHowItWorksScreen(OnboardingFlow& flow);
QWidget* makePermissionStepScreen(OnboardingFlow& flow, PermissionType type);
QWidget* makeMenuBarExplanationScreen(OnboardingFlow& flow);
QWidget* makeSetupCompleteScreen(OnboardingFlow& flow);

// The card of a permission step: what Ostrel needs, why, what it does and does not do, the
// permission's status and a "Grant" button.
QWidget* makePermissionCard(OnboardingFlow& flow, PermissionType type);

} // namespace ostrel
