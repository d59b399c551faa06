#pragma once

#include "activitylog/ActivityLogFileFormat.h"
#include "activitylog/ActivityLogger.h"
#include "base/Log.h"
#include "support/ManualRunLoop.h"

#include <QFile>
#include <QTemporaryDir>
#include <memory>

namespace ostrel {

// A full log: 10000 entries of 37 processes within the last few hours, half with a path.
inline QList<ActivityLogEntry> fullActivityLog(const QDateTime& now) {
    QList<ActivityLogEntry> entries;
    for (int i = 0; i < ActivityLogger::maxLogEntries; ++i) {
        const QString name = QStringLiteral("process-%1").arg(i % 37);
        const std::optional<QString> path =
            i % 2 == 0 ? std::optional(QStringLiteral("/usr/lib/%1/bin/%1").arg(name))
                       : std::nullopt;
        entries.append(ActivityLogEntry::create(
            i % 3 == 0 ? DeviceType::Camera : DeviceType::Microphone, name, path, 1000 + i,
            i % 2 == 0, now.addSecs(-(ActivityLogger::maxLogEntries - i))));
    }
    return entries;
}

// A store in a temporary folder whose log file holds a full log, loaded at construction.
// Its log lines are swallowed, so a benchmark measures the work, not the terminal.
struct FullActivityLogStore {
    FullActivityLogStore() {
        setLogSink([](const QString&) {});
        QFile file(directory.filePath("activity_logs.json"));
        file.open(QIODevice::WriteOnly);
        file.write(ActivityLogFileFormat::encodeLogFile(fullActivityLog(loop.now())));
        file.close();
        logger = std::make_unique<ActivityLogger>(directory.path(), directory.filePath("Desktop"),
                                                  loop, nullptr);
    }
    ~FullActivityLogStore() {
        logger.reset();
        setLogSink(nullptr);
    }

    QTemporaryDir directory;
    ManualRunLoop loop;
    std::unique_ptr<ActivityLogger> logger;
};

} // namespace ostrel
