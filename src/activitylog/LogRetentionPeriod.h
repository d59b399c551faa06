#pragma once

#include <QString>
#include <array>
#include <optional>

namespace ostrel {

// How far back the activity log looks: the window kept by cleanup, and the periods the
// log window shows. The raw values are stored in preferences and used in export names.
enum class LogRetentionPeriod {
    twentyFourHours,
    oneWeek,
    oneMonth,
};

// In the order the log window lists them.
inline constexpr std::array<LogRetentionPeriod, 3> kAllLogRetentionPeriods{
    LogRetentionPeriod::twentyFourHours, LogRetentionPeriod::oneWeek, LogRetentionPeriod::oneMonth};

QString rawValue(LogRetentionPeriod period);
// Exact raw values only: "24H" or "" yield nothing.
std::optional<LogRetentionPeriod> logRetentionPeriodFromRawValue(const QString& raw);

QString displayName(LogRetentionPeriod period);
// Length in seconds; a month is 30 days.
double timeInterval(LogRetentionPeriod period);
QString usageDescription(LogRetentionPeriod period);

} // namespace ostrel
