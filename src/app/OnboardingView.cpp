#include "app/OnboardingView.h"

#include "app/OnboardingScreens.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace ostrel {

OnboardingView::OnboardingView(const OnboardingPlatform& platform, OnboardingManager& manager,
                               QWidget* parent)
    : QWidget(parent), flow_(new OnboardingFlow(platform, manager, this)),
      screens_(new QStackedWidget(this)), stepDots_(new QLabel(this)) {
    setMinimumSize(600, 700);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 16, 0, 0);
    layout->setSpacing(0);
    stepDots_->setAlignment(Qt::AlignHCenter);
    stepDots_->setTextFormat(Qt::RichText);
    layout->addWidget(stepDots_);
    layout->addWidget(screens_, 1);

    screens_->addWidget(makeWelcomeScreen(*flow_));
    screens_->addWidget(makeHowItWorksScreen(*flow_));
    screens_->addWidget(makePermissionStepScreen(*flow_, PermissionType::microphone));
    screens_->addWidget(makePermissionStepScreen(*flow_, PermissionType::camera));
    screens_->addWidget(makePermissionStepScreen(*flow_, PermissionType::notifications));
    screens_->addWidget(makeMenuBarExplanationScreen(*flow_));
    screens_->addWidget(makeSetupCompleteScreen(*flow_));

    connect(flow_, &OnboardingFlow::changed, this, &OnboardingView::showCurrentStep);
    showCurrentStep();
}

QWidget* OnboardingView::currentScreen() const {
    return screens_->currentWidget();
}

void OnboardingView::showCurrentStep() {
    screens_->setCurrentIndex(flow_->currentStep());
    const QColor done = palette().color(QPalette::Highlight);
    const QColor todo = palette().color(QPalette::Mid);
    QString dots;
    for (int step = 0; step < OnboardingFlow::totalSteps; ++step) {
        dots += QStringLiteral("<span style=\"color:%1; font-size:14pt\">●</span> ")
                    .arg((step <= flow_->currentStep() ? done : todo).name());
    }
    stepDots_->setText(dots);
    // The focus follows the steps, so Enter goes on even after a click on "Back".
    if (QPushButton* main = mainButton()) {
        main->setFocus();
    }
}

QPushButton* OnboardingView::mainButton() const {
    for (QPushButton* button : currentScreen()->findChildren<QPushButton*>()) {
        if (button->isDefault()) {
            return button;
        }
    }
    return nullptr;
}

void OnboardingView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (QPushButton* main = mainButton(); main && main->isEnabled()) {
            main->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

} // namespace ostrel
