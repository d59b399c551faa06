#pragma once

#include "platform/AlertPresenter.h"

#include <QList>
#include <QStringList>
#include <optional>

namespace ostrel {

// How the user left an alert with checkboxes.
struct CheckboxAlertAnswer {
    std::optional<int> button; // index in AlertContent::buttons; nothing when closed otherwise
    QList<bool> checked;       // one per checkbox, in the order given
};

// Shows a modal alert with a column of checkboxes, all unticked at first, above its buttons.
// Windows ask through this interface so their tests never block on a modal loop.
class CheckboxAlertPresenter {
public:
    virtual ~CheckboxAlertPresenter() = default;

    virtual CheckboxAlertAnswer runModal(const AlertContent& alert,
                                         const QStringList& checkboxTitles) = 0;
};

} // namespace ostrel
