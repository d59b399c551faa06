#pragma once

#include <QColor>
#include <QLabel>

namespace ostrel {

// White text on a small coloured shape: "Allowed", "Blocked", "Terminated".
class StatusBadge final : public QLabel {
public:
    StatusBadge(const QString& status, const QColor& color, QWidget* parent = nullptr);
    void setBadge(const QString& status, const QColor& color);
};

} // namespace ostrel
