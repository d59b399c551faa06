#pragma once

#include "platform/AlertPresenter.h"

class QWidget;

namespace ostrel {

// Shows alerts as application-modal message boxes. Every text is shown as plain text.
class QtAlertPresenter final : public AlertPresenter {
public:
    explicit QtAlertPresenter(QWidget* parent = nullptr) : parent_(parent) {}

    std::optional<int> runModal(const AlertContent& alert) override;

private:
    QWidget* parent_;
};

} // namespace ostrel
