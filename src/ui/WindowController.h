#pragma once

#include <functional>
#include <memory>

namespace ostrel {

// A window the shell opens from its menu.
class WindowController {
public:
    virtual ~WindowController() = default;

    // Shows the window, brings Ostrel to the front and the window on top.
    virtual void showWindow() = 0;
    // Called once the user closed the window.
    std::function<void()> onClosed;
};

// How the shell makes the windows of the other subsystems. An empty factory is a window Ostrel
// does not have.
struct WindowFactories {
    std::function<std::unique_ptr<WindowController>()> dashboard;
    std::function<std::unique_ptr<WindowController>()> activityLog;
    std::function<std::unique_ptr<WindowController>()> allowedApps;
    std::function<std::unique_ptr<WindowController>()> settings;
    // Shows the setup assistant when it has not been completed for this version.
    std::function<void()> onboardingCheck;
};

} // namespace ostrel
