#pragma once

#include "alerts/AllowedAppsView.h"
#include "ui/WindowController.h"

#include <QWidget>
#include <memory>

namespace ostrel {

// The allowed applications' top-level window: "Allowed Applications", 600 × 400, centred on
// the screen, holding one AllowedAppsView.
class AllowedAppsWindow final : public QWidget {
public:
    explicit AllowedAppsWindow(const AllowedAppsViewEnvironment& environment,
                               QWidget* parent = nullptr);

    AllowedAppsView* view() const { return view_; }

private:
    AllowedAppsView* view_;
};

// A new window each time: the shell keeps the controller until the user closes the window.
std::unique_ptr<WindowController>
makeAllowedAppsWindowController(const AllowedAppsViewEnvironment& environment);

} // namespace ostrel
