#include "app/OnboardingWindow.h"

#include <QScreen>
#include <QVBoxLayout>

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
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    resize(600, 700);
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    view_->flow().onFinished = [this] { close(); };
}

} // namespace ostrel
