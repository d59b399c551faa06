#include "ui/DeviceBadge.h"

#include "ui/IconCatalogue.h"

#include <QPainter>

namespace ostrel {

namespace {
constexpr int kBadgeSize = 22;
constexpr int kSymbolSize = 14;
} // namespace

DeviceBadge::DeviceBadge(const QString& icon, const QColor& color, QWidget* parent)
    : QLabel(parent) {
    setFixedSize(kBadgeSize, kBadgeSize);
    setBadge(icon, color);
}

void DeviceBadge::setBadge(const QString& icon, const QColor& color) {
    // The symbol is drawn white: its own colours only serve as a mask.
    const QPixmap symbol = IconCatalogue::icon(icon).pixmap(kSymbolSize, kSymbolSize);
    QPixmap white(symbol.size());
    white.fill(Qt::transparent);
    {
        QPainter painter(&white);
        painter.drawPixmap(0, 0, symbol);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(white.rect(), Qt::white);
    }
    QPixmap badge(kBadgeSize, kBadgeSize);
    badge.fill(Qt::transparent);
    QPainter painter(&badge);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(badge.rect(), 6, 6);
    painter.drawPixmap((kBadgeSize - white.width()) / 2, (kBadgeSize - white.height()) / 2, white);
    setPixmap(badge);
    setToolTip(icon);
}

} // namespace ostrel
