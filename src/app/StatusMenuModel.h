#pragma once

#include <QString>
#include <vector>

namespace ostrel {

// What the tray menu shows, independent of the widgets that draw it.
struct StatusMenuItem {
    enum class Action {
        None,
        ShowMainWindow,
        ToggleMonitoring,
        ShowAllowedApps,
        ShowSettings,
        ShowActivityLog,
        ShowOnboarding,
        CheckForUpdates,
        Quit,
    };

    QString title; // empty for a separator
    Action action = Action::None;
    QString shortcut; // a single key, used with the platform's usual modifier
    bool enabled = true;

    bool isSeparator() const { return title.isEmpty(); }
};

// The menu's items in order, rebuilt from scratch for a monitoring state.
class StatusMenuModel {
public:
    static StatusMenuModel build(bool monitoringActive);

    const std::vector<StatusMenuItem>& items() const { return items_; }
    // Retitles the status lines; returns the indexes of the items whose titles changed.
    std::vector<int> updateStatusLines(bool camera, bool microphone);

private:
    std::vector<StatusMenuItem> items_;
};

} // namespace ostrel
