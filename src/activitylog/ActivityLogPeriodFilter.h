#pragma once

#include "activitylog/ActivityLogEntry.h"
#include "activitylog/LogRetentionPeriod.h"

#include <QDateTime>
#include <QList>

namespace ostrel {

// The start of `period` when it ends `now`.
QDateTime periodCutoff(LogRetentionPeriod period, const QDateTime& now);

// The entries of the period, in log order: those not earlier than the cutoff (an entry
// exactly at the cutoff belongs).
QList<ActivityLogEntry> logsInPeriod(const QList<ActivityLogEntry>& logs, LogRetentionPeriod period,
                                     const QDateTime& now);

// Drops the entries strictly earlier than the cutoff of the retention period; returns how
// many went. The others keep their order.
qsizetype removeExpiredLogs(QList<ActivityLogEntry>& logs, LogRetentionPeriod retention,
                            const QDateTime& now);

} // namespace ostrel
