#pragma once

#include "platform/AlertPresenter.h"

#include <functional>
#include <vector>

namespace ostrel {

// Records every alert and answers with the button the test chose. `whileOpen` runs while an
// alert is open, as a dialog's own event loop would run other work.
class FakeAlertPresenter final : public AlertPresenter {
public:
    std::optional<int> runModal(const AlertContent& alert) override {
        alerts.push_back(alert);
        if (whileOpen) {
            whileOpen();
        }
        return choice;
    }

    std::optional<int> choice = 0;
    std::function<void()> whileOpen;
    std::vector<AlertContent> alerts;
};

} // namespace ostrel
