#pragma once

#include "detection/DeviceType.h"

#include <QDateTime>
#include <QString>
#include <QUuid>
#include <QtGlobal>
#include <optional>

namespace ostrel {

// One camera or microphone activation or deactivation in the activity log. Entries are
// never changed after they are created.
struct ActivityLogEntry {
    QUuid id;
    QDateTime timestamp; // UTC; when the entry was created
    DeviceType deviceType = DeviceType::Camera;
    QString processName;
    std::optional<QString> processPath;
    qint64 processID = -1; // -1: no process was identified
    bool isActive = false;
    // Seconds of use. Ostrel never fills it; files that carry it are still read.
    std::optional<double> duration;

    // A new entry with a fresh random id, stamped `now`.
    static ActivityLogEntry create(DeviceType deviceType, const QString& processName,
                                   const std::optional<QString>& processPath, qint64 processID,
                                   bool isActive, const QDateTime& now);

    // Applied when the log is read back. -1 is kept: it is how every change without an
    // identified process is logged, and dropping it would lose those entries at each start.
    bool isValid() const { return !processName.isEmpty() && processID >= -1; }

    bool operator==(const ActivityLogEntry&) const = default;
};

} // namespace ostrel
