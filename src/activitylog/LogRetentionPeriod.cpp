#include "activitylog/LogRetentionPeriod.h"

namespace ostrel {

QString rawValue(LogRetentionPeriod period) {
    switch (period) {
    case LogRetentionPeriod::twentyFourHours:
        return QStringLiteral("24h");
    case LogRetentionPeriod::oneWeek:
        return QStringLiteral("1w");
    case LogRetentionPeriod::oneMonth:
        return QStringLiteral("1m");
    }
    return {};
}

std::optional<LogRetentionPeriod> logRetentionPeriodFromRawValue(const QString& raw) {
    for (LogRetentionPeriod period : kAllLogRetentionPeriods) {
        if (raw == rawValue(period)) {
            return period;
        }
    }
    return std::nullopt;
}

QString displayName(LogRetentionPeriod period) {
    switch (period) {
    case LogRetentionPeriod::twentyFourHours:
        return QStringLiteral("Last 24 Hours");
    case LogRetentionPeriod::oneWeek:
        return QStringLiteral("Last Week");
    case LogRetentionPeriod::oneMonth:
        return QStringLiteral("Last Month");
    }
    return {};
}

double timeInterval(LogRetentionPeriod period) {
    switch (period) {
    case LogRetentionPeriod::twentyFourHours:
        return 86400;
    case LogRetentionPeriod::oneWeek:
        return 7 * 86400;
    case LogRetentionPeriod::oneMonth:
        return 30 * 86400;
    }
    return 0;
}

QString usageDescription(LogRetentionPeriod period) {
    switch (period) {
    case LogRetentionPeriod::twentyFourHours:
        return QStringLiteral("Recent activity and immediate troubleshooting");
    case LogRetentionPeriod::oneWeek:
        return QStringLiteral("Pattern analysis and issue investigation");
    case LogRetentionPeriod::oneMonth:
        return QStringLiteral("Trend monitoring and compliance auditing");
    }
    return {};
}

} // namespace ostrel
