#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace ostrel {

enum class AlertStyle {
    Informational,
    Warning,
    Critical,
};

// The content of a modal alert. Every text is plain text: names of other programs in it are
// shown as they are, never interpreted.
struct AlertContent {
    AlertStyle style = AlertStyle::Informational;
    QString title;
    QString informativeText;
    QStringList buttons; // left to right as read; the first is the default
};

// Shows modal alerts. Logic asks through this interface so its tests never block on a modal
// loop; production shows a dialog.
class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;

    // Returns once the user closed the alert: the index of the chosen button, or nothing
    // when the alert was closed without one.
    virtual std::optional<int> runModal(const AlertContent& alert) = 0;
};

} // namespace ostrel
