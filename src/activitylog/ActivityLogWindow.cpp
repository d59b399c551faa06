#include "activitylog/ActivityLogWindow.h"

#include "ui/WidgetWindowController.h"
#include "ui/WindowLayout.h"

namespace ostrel {

ActivityLogWindow::ActivityLogWindow(const ActivityLogViewEnvironment& environment, QWidget* parent)
    : QWidget(parent, Qt::Window), view_(new ActivityLogView(environment, this)) {
    setWindowTitle(QStringLiteral("Activity Log - Device Usage History"));
    fillWindow(*this, view_);
    setMinimumSize(800, 500);
    resize(1000, 700);
    centreOnScreen(*this);
}

std::unique_ptr<WindowController>
makeActivityLogWindowController(const ActivityLogViewEnvironment& environment) {
    return std::make_unique<WidgetWindowController>(new ActivityLogWindow(environment));
}

} // namespace ostrel
