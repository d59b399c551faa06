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
    setPixmap(draw(icon, color, devicePixelRatioF()));
    setToolTip(icon);
}

QPixmap DeviceBadge::draw(const QString& icon, const QColor& color, qreal devicePixelRatio) {
    // Every size below is in device-independent pixels; the pixmaps carry the ratio, so a
    // scaled screen gets a sharp badge of the same size instead of a cut-off one.
    const QPixmap symbol =
        IconCatalogue::icon(icon).pixmap(QSize(kSymbolSize, kSymbolSize), devicePixelRatio);
    const QSizeF symbolSize = symbol.deviceIndependentSize();
    // The symbol is drawn white: its own colours only serve as a mask.
    QPixmap white(symbol.size());
    white.setDevicePixelRatio(symbol.devicePixelRatio());
    white.fill(Qt::transparent);
    {
        QPainter painter(&white);
        painter.drawPixmap(0, 0, symbol);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(QRectF(QPointF(), symbolSize), Qt::white);
    }
    QPixmap badge(QSize(kBadgeSize, kBadgeSize) * devicePixelRatio);
    badge.setDevicePixelRatio(devicePixelRatio);
    badge.fill(Qt::transparent);
    QPainter painter(&badge);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(QRectF(0, 0, kBadgeSize, kBadgeSize), 6, 6);
    painter.drawPixmap(
        QPointF((kBadgeSize - symbolSize.width()) / 2, (kBadgeSize - symbolSize.height()) / 2),
        white);
    return badge;
}

} // namespace ostrel
