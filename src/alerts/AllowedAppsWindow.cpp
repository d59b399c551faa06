#include "alerts/AllowedAppsWindow.h"

#include "ui/WidgetWindowController.h"
#include "ui/WindowLayout.h"

namespace ostrel {

AllowedAppsWindow::AllowedAppsWindow(const AllowedAppsViewEnvironment& environment, QWidget* parent)
    : QWidget(parent, Qt::Window), view_(new AllowedAppsView(environment, this)) {
    setWindowTitle(QStringLiteral("Allowed Applications"));
    fillWindow(*this, view_);
    resize(600, 400);
    centreOnScreen(*this);
}

std::unique_ptr<WindowController>
makeAllowedAppsWindowController(const AllowedAppsViewEnvironment& environment) {
    return std::make_unique<WidgetWindowController>(new AllowedAppsWindow(environment));
}

} // namespace ostrel
