#include "dashboard/DashboardStyle.h"

#include "ui/IconCatalogue.h"

#include <QFileInfo>

namespace ostrel::dashboard_style {

QColor statusColor(ActivityStatus status) {
    switch (status) {
    case ActivityStatus::Allowed:
        return green;
    case ActivityStatus::Blocked:
        return red;
    case ActivityStatus::Terminated:
        return orange;
    }
    return gray;
}

QIcon icon(const IconReference& reference) {
    const QIcon symbol =
        reference.symbolName.isEmpty() ? QIcon() : IconCatalogue::icon(reference.symbolName);
    const QString& application = reference.applicationIcon;
    if (application.isEmpty()) {
        return symbol;
    }
    if (QFileInfo(application).isAbsolute()) {
        const QIcon file(application);
        return file.isNull() ? symbol : file;
    }
    return QIcon::fromTheme(application, symbol);
}

} // namespace ostrel::dashboard_style
