#pragma once

#include "activitylog/ActivityLogView.h"
#include "ui/WindowController.h"

#include <QWidget>
#include <memory>

namespace ostrel {

// The activity log's top-level window: "Activity Log - Device Usage History", 1000 × 700,
// at least 800 × 500, centred on the screen when created, holding one ActivityLogView.
class ActivityLogWindow final : public QWidget {
public:
    explicit ActivityLogWindow(const ActivityLogViewEnvironment& environment,
                               QWidget* parent = nullptr);

    ActivityLogView* view() const { return view_; }

private:
    ActivityLogView* view_;
};

// The controller the shell keeps while the window is open: the window is deleted when the
// user closes it, and the controller then tells the shell through onClosed.
std::unique_ptr<WindowController>
makeActivityLogWindowController(const ActivityLogViewEnvironment& environment);

} // namespace ostrel
