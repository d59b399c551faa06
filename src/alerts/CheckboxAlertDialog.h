#pragma once

#include "platform/CheckboxAlertPresenter.h"

class QWidget;

namespace ostrel {

// An application-modal alert with a column of checkboxes (200 × 80) between its texts and its
// buttons. Every text is plain text.
class CheckboxAlertDialog final : public CheckboxAlertPresenter {
public:
    explicit CheckboxAlertDialog(QWidget* parent = nullptr) : parent_(parent) {}

    CheckboxAlertAnswer runModal(const AlertContent& alert,
                                 const QStringList& checkboxTitles) override;

private:
    QWidget* parent_;
};

} // namespace ostrel
