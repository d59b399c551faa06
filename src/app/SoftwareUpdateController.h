#pragma once

#include "platform/AlertPresenter.h"

namespace ostrel {

// Ostrel is updated by the system's package manager; checking for updates from the menu
// tells the user which version runs and where new ones come from.
class SoftwareUpdateController {
public:
    explicit SoftwareUpdateController(AlertPresenter& alerts);

    void checkForUpdates();

private:
    AlertPresenter& alerts_;
};

} // namespace ostrel
