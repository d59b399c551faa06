#pragma once

#include "dashboard/ActivityStatus.h"
#include "dashboard/IconReference.h"

#include <QColor>
#include <QIcon>

namespace ostrel {

// The dashboard's colours and icons, shared by its window and rows.
namespace dashboard_style {

inline const QColor blue{0x0a, 0x84, 0xff};
inline const QColor purple{0xaf, 0x52, 0xde};
inline const QColor orange{0xff, 0x95, 0x00};
inline const QColor green{0x34, 0xc7, 0x59};
inline const QColor red{0xff, 0x3b, 0x30};
inline const QColor gray{0x8e, 0x8e, 0x93};

QColor statusColor(ActivityStatus status);
// The application's own icon when it can be found, else the symbol, else nothing.
QIcon icon(const IconReference& reference);

} // namespace dashboard_style
} // namespace ostrel
