#include "app/StatusMenuModel.h"

#include "base/ProductIdentity.h"

namespace ostrel {

namespace {

StatusMenuItem separator() {
    return {};
}

StatusMenuItem item(const QString& title, StatusMenuItem::Action action,
                    const QString& shortcut = {}) {
    return {title, action, shortcut, true};
}

StatusMenuItem label(const QString& title) {
    return {title, StatusMenuItem::Action::None, {}, false};
}

} // namespace

StatusMenuModel StatusMenuModel::build(bool monitoringActive) {
    using Action = StatusMenuItem::Action;
    StatusMenuModel model;
    std::vector<StatusMenuItem>& items = model.items_;
    items.push_back(label(kProductName));
    items.push_back(separator());
    items.push_back(item(QStringLiteral("📊 Show Privacy Monitor"), Action::ShowMainWindow,
                         QStringLiteral("m")));
    items.push_back(separator());
    items.push_back(item(monitoringActive ? QStringLiteral("🛑 Stop Monitoring")
                                          : QStringLiteral("▶️ Start Monitoring"),
                         Action::ToggleMonitoring));
    items.push_back(separator());
    if (monitoringActive) {
        // Plain status lines, not actions.
        items.push_back({QStringLiteral("Camera Status: Inactive"), Action::None, {}, true});
        items.push_back({QStringLiteral("Microphone Status: Inactive"), Action::None, {}, true});
    } else {
        items.push_back({QStringLiteral("⏸️ Monitoring Stopped"), Action::None, {}, true});
    }
    items.push_back(separator());
    items.push_back(item(QStringLiteral("Allowed Apps"), Action::ShowAllowedApps));
    items.push_back(item(QStringLiteral("Settings"), Action::ShowSettings));
    items.push_back(separator());
    items.push_back(item(QStringLiteral("📊 Activity Log"), Action::ShowActivityLog));
    items.push_back(separator());
    items.push_back(item(QStringLiteral("Setup Assistant"), Action::ShowOnboarding));
    items.push_back(separator());
    items.push_back(item(QStringLiteral("Check for Updates..."), Action::CheckForUpdates));
    items.push_back(separator());
    items.push_back(item(QStringLiteral("Quit Ostrel"), Action::Quit, QStringLiteral("q")));
    return model;
}

std::vector<int> StatusMenuModel::updateStatusLines(bool camera, bool microphone) {
    std::vector<int> changed;
    for (int index = 0; index < static_cast<int>(items_.size()); ++index) {
        StatusMenuItem& entry = items_[static_cast<size_t>(index)];
        if (entry.title.contains(QStringLiteral("Camera Status:"))) {
            entry.title = QStringLiteral("Camera Status: ") +
                          (camera ? QStringLiteral("🔴 Active") : QStringLiteral("⚫ Inactive"));
            changed.push_back(index);
        } else if (entry.title.contains(QStringLiteral("Microphone Status:"))) {
            entry.title = QStringLiteral("Microphone Status: ") +
                          (microphone ? QStringLiteral("🔴 Active") : QStringLiteral("⚫ Inactive"));
            changed.push_back(index);
        }
    }
    return changed;
}

} // namespace ostrel
