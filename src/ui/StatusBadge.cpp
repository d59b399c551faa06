#include "ui/StatusBadge.h"

namespace ostrel {

StatusBadge::StatusBadge(const QString& status, const QColor& color, QWidget* parent)
    : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignCenter);
    setBadge(status, color);
}

void StatusBadge::setBadge(const QString& status, const QColor& color) {
    setText(status);
    setStyleSheet(QStringLiteral("QLabel { color: white; background: %1; border-radius: 8px; "
                                 "padding: 2px 10px; font-weight: 600; font-size: 11px; }")
                      .arg(color.name()));
}

} // namespace ostrel
