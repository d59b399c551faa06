#include "activitylog/ActivityLogWindow.h"

#include "ui/WidgetWindowController.h"

#include <QScreen>
#include <QVBoxLayout>

namespace ostrel {

ActivityLogWindow::ActivityLogWindow(const ActivityLogViewEnvironment& environment, QWidget* parent)
    : QWidget(parent, Qt::Window), view_(new ActivityLogView(environment, this)) {
    setWindowTitle(QStringLiteral("Activity Log - Device Usage History"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    setMinimumSize(800, 500);
    resize(1000, 700);
    if (const QScreen* screen = this->screen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

std::unique_ptr<WindowController>
makeActivityLogWindowController(const ActivityLogViewEnvironment& environment) {
    return std::make_unique<WidgetWindowController>(new ActivityLogWindow(environment));
}

} // namespace ostrel
