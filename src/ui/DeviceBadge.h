#pragma once

#include <QColor>
#include <QLabel>

namespace ostrel {

// A white device symbol on a small coloured shape.
class DeviceBadge final : public QLabel {
public:
    DeviceBadge(const QString& icon, const QColor& color, QWidget* parent = nullptr);
    void setBadge(const QString& icon, const QColor& color);
};

} // namespace ostrel
