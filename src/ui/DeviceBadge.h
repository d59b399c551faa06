#pragma once

#include <QColor>
#include <QLabel>
#include <QPixmap>

namespace ostrel {

// A white device symbol on a small coloured shape.
class DeviceBadge final : public QLabel {
public:
    DeviceBadge(const QString& icon, const QColor& color, QWidget* parent = nullptr);
    void setBadge(const QString& icon, const QColor& color);

    // The badge as drawn for a screen with `devicePixelRatio` real pixels per
    // device-independent one: always the same size in device-independent pixels.
    static QPixmap draw(const QString& icon, const QColor& color, qreal devicePixelRatio);
};

} // namespace ostrel
