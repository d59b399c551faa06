#include "app/OnboardingWindow.h"

#include "ui/WindowLayout.h"

namespace ostrel {

OnboardingWindow::OnboardingWindow(const OnboardingPlatform& platform, OnboardingManager& manager)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      view_(new OnboardingView(platform, manager, this)) {
    setObjectName(frameAutosaveName);
    setWindowTitle(QStringLiteral("Ostrel Setup"));
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, background.color(QPalette::Base));
    setPalette(background);
    fillWindow(*this, view_);
    resize(600, 700);
    centreOnScreen(*this);
    closeOnEscape(*this);
    view_->flow().onFinished = [this] { close(); };
}

} // namespace ostrel
