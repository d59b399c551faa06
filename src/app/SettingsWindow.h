#pragma once

#include "app/SettingsView.h"
#include "ui/WindowController.h"

#include <memory>

namespace ostrel {

// The "Ostrel Settings" window: a fixed-size, closable window centred on the screen whose
// content is a new SettingsView.
class SettingsWindow final : public QWidget {
public:
    explicit SettingsWindow(const SettingsEnvironment& environment);

    SettingsView* view() const { return view_; }

private:
    SettingsView* view_;
};

// The settings window controller: a fresh window on every call, freed when closed.
std::unique_ptr<WindowController>
makeSettingsWindowController(const SettingsEnvironment& environment);

} // namespace ostrel
