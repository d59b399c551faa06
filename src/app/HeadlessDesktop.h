#pragma once

#include "app/StatusItem.h"
#include "base/Log.h"
#include "platform/AlertPresenter.h"

namespace ostrel {

// The status item of a headless Ostrel: it keeps the menu's state for the shell and shows
// nothing, so a session without a panel (or a user service) never opens a tray icon.
class HeadlessStatusItem final : public StatusItem {
public:
    void setMenu(const StatusMenuModel&) override { hasMenu_ = true; }
    bool hasMenu() const override { return hasMenu_; }
    void setItemTitle(int, const QString&) override {}
    void setIcon(bool) override {}
    void setActionHandler(ActionHandler) override {}

private:
    bool hasMenu_ = false;
};

// Alerts of a headless Ostrel: nobody could answer a dialog, so each alert is logged and
// counts as closed without a choice, the answer every caller already handles.
class HeadlessAlertPresenter final : public AlertPresenter {
public:
    std::optional<int> runModal(const AlertContent& alert) override {
        logLine(QStringLiteral("🕶️ [Headless] Alert not shown: %1 — %2")
                    .arg(alert.title, alert.informativeText));
        return std::nullopt;
    }
};

} // namespace ostrel
