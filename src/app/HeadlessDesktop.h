#pragma once

#include "base/Log.h"
#include "platform/AlertPresenter.h"

namespace ostrel {

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
