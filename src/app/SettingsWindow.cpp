#include "app/SettingsWindow.h"

#include "ui/WidgetWindowController.h"

#include <QScreen>
#include <QVBoxLayout>

namespace ostrel {

namespace {

void centreOnScreen(QWidget* window) {
    if (const QScreen* screen = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

} // namespace

SettingsWindow::SettingsWindow(const SettingsEnvironment& environment)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      view_(new SettingsView(environment, this)) {
    setWindowTitle(QStringLiteral("Ostrel Settings"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    // 400 × 300, taller only when the system font needs more room for every control.
    const int contentHeight =
        view_->hasHeightForWidth() ? view_->heightForWidth(400) : view_->sizeHint().height();
    setFixedSize(400, std::max(300, contentHeight));
    centreOnScreen(this);
}

std::unique_ptr<WindowController>
makeSettingsWindowController(const SettingsEnvironment& environment) {
    return std::make_unique<WidgetWindowController>(new SettingsWindow(environment));
}

} // namespace ostrel
