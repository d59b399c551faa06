#include "app/SettingsWindow.h"

#include "ui/WidgetWindowController.h"
#include "ui/WindowLayout.h"

namespace ostrel {

SettingsWindow::SettingsWindow(const SettingsEnvironment& environment)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      view_(new SettingsView(environment, this)) {
    setWindowTitle(QStringLiteral("Ostrel Settings"));
    fillWindow(*this, view_);
    // 400 × 300, taller only when the system font needs more room for every control.
    const int contentHeight =
        view_->hasHeightForWidth() ? view_->heightForWidth(400) : view_->sizeHint().height();
    setFixedSize(400, std::max(300, contentHeight));
    centreOnScreen(*this);
}

std::unique_ptr<WindowController>
makeSettingsWindowController(const SettingsEnvironment& environment) {
    return std::make_unique<WidgetWindowController>(new SettingsWindow(environment));
}

} // namespace ostrel
