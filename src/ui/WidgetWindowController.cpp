#include "ui/WidgetWindowController.h"

#include "ui/WindowLayout.h"

namespace ostrel {

WidgetWindowController::WidgetWindowController(QWidget* window) : window_(window) {
    window->setAttribute(Qt::WA_DeleteOnClose);
    closeOnEscape(*window);
    QObject::connect(window, &QObject::destroyed, window, [this] {
        if (onClosed) {
            onClosed();
        }
    });
}

WidgetWindowController::~WidgetWindowController() {
    if (window_) {
        // The shell let go of the controller first (it ends): the window goes with it.
        QObject::disconnect(window_, &QObject::destroyed, nullptr, nullptr);
        delete window_;
    }
}

void WidgetWindowController::showWindow() {
    if (!window_) {
        return;
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

} // namespace ostrel
