#include "dashboard/ActivityItem.h"

namespace ostrel {

namespace {

QString countAgo(qint64 count, const QString& unit) {
    return QStringLiteral("%1 %2%3 ago").arg(count).arg(unit, count == 1 ? QString() : "s");
}

} // namespace

QString ActivityItem::timeAgo(const QDateTime& now) const {
    // Rows carry up to a second of random offset, so a fresh one may lie slightly ahead.
    const double seconds = double(timestamp.msecsTo(now)) / 1000.0;
    if (seconds < 60) {
        return QStringLiteral("Just now");
    }
    if (seconds < 3600) {
        return countAgo(qint64(seconds / 60), QStringLiteral("minute"));
    }
    if (seconds < 86400) {
        return countAgo(qint64(seconds / 3600), QStringLiteral("hour"));
    }
    return countAgo(qint64(seconds / 86400), QStringLiteral("day"));
}

} // namespace ostrel
