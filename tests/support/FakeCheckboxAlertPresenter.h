#pragma once

#include "platform/CheckboxAlertPresenter.h"

#include <deque>
#include <vector>

namespace ostrel {

// Records every alert with checkboxes and gives the answers the test queued, in order; once
// they run out, the alert is cancelled.
class FakeCheckboxAlertPresenter final : public CheckboxAlertPresenter {
public:
    struct Shown {
        AlertContent alert;
        QStringList checkboxTitles;
    };

    CheckboxAlertAnswer runModal(const AlertContent& alert,
                                 const QStringList& checkboxTitles) override {
        shown.push_back({alert, checkboxTitles});
        if (answers.empty()) {
            return {std::nullopt, {}};
        }
        CheckboxAlertAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<CheckboxAlertAnswer> answers;
    std::vector<Shown> shown;
};

} // namespace ostrel
