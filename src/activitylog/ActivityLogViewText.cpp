#include "activitylog/ActivityLogViewText.h"

#include <QLocale>
#include <cmath>

namespace ostrel {

QString relativeSaveTimeText(const std::optional<QDateTime>& lastModified, const QDateTime& now) {
    if (!lastModified) {
        return QStringLiteral("Never");
    }
    const double elapsed = std::max(0.0, static_cast<double>(lastModified->msecsTo(now)) / 1000.0);
    if (elapsed < 60) {
        return QStringLiteral("%1s ago").arg(static_cast<qint64>(elapsed));
    }
    if (elapsed < 3600) {
        return QStringLiteral("%1m ago").arg(static_cast<qint64>(elapsed / 60));
    }
    if (elapsed < 86400) {
        return QStringLiteral("%1h ago").arg(static_cast<qint64>(elapsed / 3600));
    }
    return QStringLiteral("%1d ago").arg(static_cast<qint64>(elapsed / 86400));
}

QString fileSizeText(qint64 bytes) {
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

QString appDisplayName(const ActivityLogEntry& entry) {
    if (entry.processPath && !entry.processPath->isEmpty()) {
        QString path = *entry.processPath;
        while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) {
            path.chop(1);
        }
        const QString last = path.section(QLatin1Char('/'), -1);
        if (!last.isEmpty()) {
            return last;
        }
    }
    return entry.processName;
}

} // namespace ostrel
