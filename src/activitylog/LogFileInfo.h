#pragma once

#include <QDateTime>
#include <QtGlobal>
#include <optional>

namespace ostrel {

// The state of the activity log file and of the log in memory, for the log window.
struct LogFileInfo {
    bool fileExists = false;
    qint64 fileSize = 0; // bytes
    std::optional<QDateTime> lastModified;
    int logCount = 0;     // entries in memory
    int pendingSaves = 0; // the store's pendingSaveCount
};

} // namespace ostrel
