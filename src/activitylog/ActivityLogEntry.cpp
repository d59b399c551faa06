#include "activitylog/ActivityLogEntry.h"

namespace ostrel {

ActivityLogEntry ActivityLogEntry::create(DeviceType deviceType, const QString& processName,
                                          const std::optional<QString>& processPath,
                                          qint64 processID, bool isActive, const QDateTime& now) {
    return {QUuid::createUuid(), now.toUTC(), deviceType, processName,
            processPath,         processID,   isActive,   std::nullopt};
}

} // namespace ostrel
