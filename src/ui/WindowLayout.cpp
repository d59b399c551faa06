#include "ui/WindowLayout.h"

#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

namespace ostrel {

void fillWindow(QWidget& window, QWidget* view) {
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
}

void centreOnScreen(QWidget& window) {
    if (const QScreen* screen = window.screen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
}

} // namespace ostrel
