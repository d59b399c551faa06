#include "alerts/AllowedAppsWindow.h"

#include "ui/WidgetWindowController.h"

#include <QScreen>
#include <QVBoxLayout>

namespace ostrel {

AllowedAppsWindow::AllowedAppsWindow(const AllowedAppsViewEnvironment& environment, QWidget* parent)
    : QWidget(parent, Qt::Window), view_(new AllowedAppsView(environment, this)) {
    setWindowTitle(QStringLiteral("Allowed Applications"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    resize(600, 400);
    if (const QScreen* screen = this->screen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

std::unique_ptr<WindowController>
makeAllowedAppsWindowController(const AllowedAppsViewEnvironment& environment) {
    return std::make_unique<WidgetWindowController>(new AllowedAppsWindow(environment));
}

} // namespace ostrel
