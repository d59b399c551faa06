#pragma once

#include <QColor>
#include <QLabel>

namespace ostrel {

// White text on a small coloured shape: "Allowed", "Blocked", "Terminated".
class ModernStatusBadge final : public QLabel {
public:
    ModernStatusBadge(const QString& status, const QColor& color, QWidget* parent = nullptr);
    void setBadge(const QString& status, const QColor& color);
};

} // namespace ostrel
