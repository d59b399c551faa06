#include "activitylog/ActivityLogger.h"

#include "activitylog/ActivityLogFileFormat.h"
#include "activitylog/ActivityLogPeriodFilter.h"
#include "activitylog/FileReplacement.h"
#include "base/EpochSecondsText.h"
#include "base/Log.h"
#include "base/ProductIdentity.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <utility>

namespace ostrel {

namespace {

const QString kLogFileName = QStringLiteral("activity_logs.json");
// Another Ostrel saves in milliseconds; waiting longer would stall this one's main thread.
constexpr int kLockWaitMs = 1000;

struct SharedSetup {
    MainRunLoop* runLoop = nullptr;
    RunningApplicationsService* applications = nullptr;
};

SharedSetup& sharedSetup() {
    static SharedSetup setup;
    return setup;
}

// A log file as read; `bytes` and `version` count only when `decoded` is ok.
struct LogFileRead {
    ActivityLogDecodeResult decoded;
    QByteArray bytes;
    std::optional<FileVersion> version;
};

// The whole file decoded, or why it could not be read.
LogFileRead readLogFile(const QString& path) {
    LogFileRead read;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        read.bytes = file.readAll();
        read.version = fileVersion(file.handle());
    }
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        read.decoded.error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return read;
    }
    read.decoded = ActivityLogFileFormat::decodeLogFile(read.bytes);
    if (!read.decoded.ok()) {
        read.decoded.error = QStringLiteral("%1: %2").arg(path, read.decoded.error);
    }
    return read;
}

// Keeps the newest entries within the cap; the list is oldest first.
void keepNewest(QList<ActivityLogEntry>& entries) {
    if (entries.size() > ActivityLogger::maxLogEntries) {
        entries.remove(0, entries.size() - ActivityLogger::maxLogEntries);
    }
}

QSet<QUuid> idsOf(const QList<ActivityLogEntry>& entries) {
    QSet<QUuid> ids;
    for (const ActivityLogEntry& entry : entries) {
        ids.insert(entry.id);
    }
    return ids;
}

// "2025-03-14 09:26:53 +0000"
QString logRangeText(const QDateTime& timestamp) {
    return timestamp.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss '+0000'"));
}

// A free name beside `path` for a copy of an unreadable file.
QString unreadableSideName(const QString& path, const QDateTime& now) {
    const QString base =
        QStringLiteral("%1.unreadable-%2")
            .arg(path, now.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")));
    QString candidate = base;
    for (int n = 2; QFileInfo::exists(candidate); ++n) {
        candidate = QStringLiteral("%1-%2").arg(base).arg(n);
    }
    return candidate;
}

} // namespace

ActivityLogger::ActivityLogger(const QString& folder, const QString& desktopFolder,
                               MainRunLoop& runLoop, RunningApplicationsService* applications,
                               QObject* parent)
    : QObject(parent), runLoop_(runLoop), applications_(applications), folder_(folder),
      desktopFolder_(desktopFolder), logFilePath_(QDir(folder).filePath(kLogFileName)) {
    // A folder that cannot be created shows up as load and save failures.
    if (const std::optional<QString> error = makePrivateFolder(folder_)) {
        logLine(QStringLiteral("⚠️ [ActivityLogger] %1").arg(*error));
    }
    loadLogs();

    cleanupTimer_ = runLoop_.scheduleRepeating(cleanupInterval, [this] { cleanupOldLogs(); });
    saveTimer_ = runLoop_.scheduleRepeating(saveInterval, [this] { saveLogs(LockWait::tryOnce); });

    if (QCoreApplication* application = QCoreApplication::instance()) {
        connect(application, &QCoreApplication::aboutToQuit, this,
                &ActivityLogger::applicationWillTerminate);
    }
    if (applications_) {
        applications_->addObserver(this);
    }
    logLine(QStringLiteral("🔔 [ActivityLogger] App lifecycle observers setup complete"));

    delayedCleanup_ = runLoop_.scheduleOnce(delayedCleanupDelay, [this] {
        logLine(QStringLiteral(
            "🧹 [ActivityLogger] Starting delayed cleanup (5 minutes after startup)"));
        cleanupOldLogs();
    });
}

ActivityLogger::~ActivityLogger() {
    cleanupTimer_.cancel();
    saveTimer_.cancel();
    delayedCleanup_.cancel();
    saveLogs(LockWait::bounded);
    if (applications_) {
        applications_->removeObserver(this);
    }
}

void ActivityLogger::configureShared(MainRunLoop& runLoop,
                                     RunningApplicationsService* applications) {
    sharedSetup() = {&runLoop, applications};
}

ActivityLogger& ActivityLogger::shared() {
    // Never destroyed: a destructor running after the run loop and the platform services
    // are gone could not save safely. Quitting saves through applicationWillTerminate.
    static ActivityLogger* const instance = [] {
        const SharedSetup& setup = sharedSetup();
        if (!setup.runLoop) {
            qFatal("ActivityLogger::shared() used before ActivityLogger::configureShared()");
        }
        return new ActivityLogger(defaultFolder(), defaultDesktopFolder(), *setup.runLoop,
                                  setup.applications);
    }();
    return *instance;
}

QString ActivityLogger::defaultFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(kProductName);
}

QString ActivityLogger::defaultDesktopFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

QString ActivityLogger::backupFilePath() const {
    return logFilePath_ + QStringLiteral(".backup");
}

QString ActivityLogger::temporaryFilePath() const {
    return logFilePath_ + QStringLiteral(".tmp");
}

QString ActivityLogger::lockFilePath() const {
    return logFilePath_ + QStringLiteral(".lock");
}

void ActivityLogger::startLogging() {
    if (isLogging_) {
        return;
    }
    isLogging_ = true;
    emit isLoggingChanged(true);
    logLine(QStringLiteral("🚀 [ActivityLogger] Started logging with %1 retention")
                .arg(displayName(currentRetentionPeriod_)));
}

void ActivityLogger::stopLogging() {
    if (!isLogging_) {
        return;
    }
    isLogging_ = false;
    emit isLoggingChanged(false);
    logLine(QStringLiteral("💾 [ActivityLogger] Force saving logs..."));
    if (saveLogs(LockWait::bounded)) {
        setPendingSaveCount(0);
        logLine(QStringLiteral("🛑 [ActivityLogger] Stopped logging and saved all data"));
    }
}

void ActivityLogger::logActivity(DeviceType device, const QString& processName,
                                 const std::optional<QString>& processPath, qint64 processID,
                                 bool isActive) {
    if (!isLogging_) {
        return;
    }
    const ActivityLogEntry entry = ActivityLogEntry::create(device, processName, processPath,
                                                            processID, isActive, runLoop_.now());
    runLoop_.post([self = QPointer<ActivityLogger>(this), entry] {
        if (self) {
            self->appendEntry(entry);
        }
    });
    logLine(QStringLiteral("📝 [ActivityLogger] %1 %2 by %3")
                .arg(rawValue(device),
                     isActive ? QStringLiteral("activated") : QStringLiteral("deactivated"),
                     processName));
}

void ActivityLogger::appendEntry(const ActivityLogEntry& entry) {
    logs_.append(entry);
    keepNewest(logs_);
    hasUnsavedChanges_ = true;
    emit logsChanged();
    emit entryAppended(entry);
    setPendingSaveCount(pendingSaveCount_ + 1);
    if (pendingSaveCount_ >= saveBatchSize || shouldSaveImmediately(entry)) {
        if (saveLogs(LockWait::tryOnce)) {
            setPendingSaveCount(0);
        }
    }
}

bool ActivityLogger::shouldSaveImmediately(const ActivityLogEntry& entry) {
    return entry.processName.contains(QStringLiteral("Suspicious")) ||
           entry.processName.contains(QStringLiteral("Unauthorized")) ||
           entry.deviceType == DeviceType::Camera;
}

bool ActivityLogger::saveLogs(LockWait wait) {
    if (hasNothingToSave()) {
        return true;
    }
    const FileLock lock(lockFilePath(), wait == LockWait::bounded ? kLockWaitMs : 0);
    if (lock.error()) {
        logLine(QStringLiteral("❌ [ActivityLogger] Failed to save logs: %1").arg(*lock.error()));
        return false;
    }
    // Only a file that reads whole tells what others did; a missing or unreadable one is
    // written over with the list as it is.
    QList<ActivityLogEntry> merged = logs_;
    QByteArray previous;
    if (QFileInfo::exists(logFilePath_)) {
        LogFileRead onDisk = readLogFile(logFilePath_);
        // A file unreadable at load may have been written whole by another Ostrel since.
        unreadableLogFile_ = !onDisk.decoded.ok();
        if (onDisk.decoded.ok()) {
            merged = mergedWith(onDisk.decoded.entries);
            previous = std::move(onDisk.bytes);
        }
    }
    if (!keepUnreadableFiles()) {
        return false;
    }
    removeExpiredLogs(merged, currentRetentionPeriod_, runLoop_.now());
    keepNewest(merged);
    if (!previous.isEmpty()) {
        if (const std::optional<QString> error = replaceFileContents(
                backupFilePath(), backupFilePath() + QStringLiteral(".tmp"), previous)) {
            logLine(
                QStringLiteral("⚠️ [ActivityLogger] Kept the previous backup: %1").arg(*error));
        }
    }
    const std::optional<QString> error = replaceFileContents(
        logFilePath_, temporaryFilePath(), ActivityLogFileFormat::encodeLogFile(merged));
    if (!error) {
        hasUnsavedChanges_ = false;
        savedIds_ = idsOf(merged);
        savedFile_ = fileVersion(logFilePath_); // under the lock, so still this store's file
        if (merged != logs_) {
            setLogs(std::move(merged));
        }
        logLine(QStringLiteral("💾 [ActivityLogger] Successfully saved %1 logs to disk")
                    .arg(logs_.size()));
        return true;
    }
    logLine(QStringLiteral("❌ [ActivityLogger] Failed to save logs: %1").arg(*error));
    // The replacement is one rename, so a failed save leaves the previous log file as it
    // was; the backup (possibly older) only stands in when the log file is gone.
    if (!QFileInfo::exists(logFilePath_) && QFileInfo::exists(backupFilePath())) {
        const LogFileRead backup = readLogFile(backupFilePath());
        // Not through the save's temporary file: that may be what just failed.
        const std::optional<QString> restoreError =
            backup.decoded.ok()
                ? replaceFileContents(logFilePath_, logFilePath_ + QStringLiteral(".restore.tmp"),
                                      backup.bytes)
                : backup.decoded.error;
        if (restoreError) {
            logLine(QStringLiteral("❌ [ActivityLogger] Failed to restore from backup: %1")
                        .arg(*restoreError));
        } else {
            logLine(QStringLiteral("🔄 [ActivityLogger] Restored from backup after save failure"));
        }
    }
    return false;
}

bool ActivityLogger::hasNothingToSave() const {
    // An empty list is written only when it replaces entries (cleared or expired); otherwise
    // an empty log after a failed load would overwrite the file it could not read.
    if (!hasUnsavedChanges_ && logs_.isEmpty()) {
        return true;
    }
    // Nothing unsaved, the file as this store left it and nothing expired: a save would
    // write back what the file holds.
    if (hasUnsavedChanges_ || !savedFile_ || fileVersion(logFilePath_) != savedFile_) {
        return false;
    }
    const QDateTime cutoff = periodCutoff(currentRetentionPeriod_, runLoop_.now());
    return std::none_of(logs_.cbegin(), logs_.cend(), [&cutoff](const ActivityLogEntry& entry) {
        return entry.timestamp < cutoff;
    });
}

QList<ActivityLogEntry> ActivityLogger::mergedWith(const QList<ActivityLogEntry>& onDisk) const {
    QHash<QUuid, const ActivityLogEntry*> inMemory;
    for (const ActivityLogEntry& entry : logs_) {
        inMemory.insert(entry.id, &entry);
    }
    QList<ActivityLogEntry> merged;
    QSet<QUuid> diskIds;
    for (const ActivityLogEntry& entry : onDisk) {
        if (!entry.isValid() || diskIds.contains(entry.id)) {
            continue;
        }
        diskIds.insert(entry.id);
        const ActivityLogEntry* own = inMemory.value(entry.id);
        if (own) {
            merged.append(*own); // keeps the time stamp's milliseconds the file drops
        } else if (!savedIds_.contains(entry.id)) {
            merged.append(entry); // added by another Ostrel
        }
    }
    for (const ActivityLogEntry& entry : logs_) {
        if (!diskIds.contains(entry.id) && !savedIds_.contains(entry.id)) {
            merged.append(entry); // not yet written
        }
    }
    return merged;
}

bool ActivityLogger::keepUnreadableFiles() {
    const std::pair<bool*, QString> files[] = {{&unreadableLogFile_, logFilePath_},
                                               {&unreadableBackupFile_, backupFilePath()}};
    for (const auto& [unreadable, path] : files) {
        if (!*unreadable) {
            continue;
        }
        if (!QFileInfo::exists(path)) {
            *unreadable = false;
            continue;
        }
        const QString sideName = unreadableSideName(path, runLoop_.now());
        QFile file(path);
        const bool copied =
            file.open(QIODevice::ReadOnly) &&
            !replaceFileContents(sideName, sideName + QStringLiteral(".tmp"), file.readAll());
        file.close();
        // Renaming keeps the bytes even where they cannot be read for a copy; the renamed
        // file keeps its mode, which the copy did not.
        if (!copied) {
            if (!file.rename(sideName)) {
                logLine(QStringLiteral("❌ [ActivityLogger] Failed to save logs: cannot keep the "
                                       "unreadable file %1 as %2: %3")
                            .arg(path, sideName, file.errorString()));
                return false;
            }
            QFile::setPermissions(sideName, QFile::ReadOwner | QFile::WriteOwner);
        }
        *unreadable = false;
        logLine(QStringLiteral("🗄️ [ActivityLogger] Kept the unreadable file %1 as %2")
                    .arg(path, sideName));
    }
    return true;
}

void ActivityLogger::loadLogs() {
    unreadableLogFile_ = false;
    unreadableBackupFile_ = false;
    hasUnsavedChanges_ = false;
    savedIds_.clear();
    savedFile_.reset();

    LogFileRead read = readLogFile(logFilePath_);
    ActivityLogDecodeResult& loaded = read.decoded;
    if (loaded.ok()) {
        savedIds_ = idsOf(loaded.entries);
        const qsizetype total = loaded.entries.size();
        loaded.entries.removeIf([](const ActivityLogEntry& entry) { return !entry.isValid(); });
        const qsizetype dropped = total - loaded.entries.size();
        setLogs(std::move(loaded.entries));
        if (dropped > 0) {
            logLine(QStringLiteral("⚠️ [ActivityLogger] Removed %1 corrupted log entries")
                        .arg(dropped));
            saveLogs(LockWait::tryOnce);
        } else {
            savedFile_ = read.version;
        }
        logLine(QStringLiteral("✅ [ActivityLogger] Loaded %1 activity logs from disk")
                    .arg(logs_.size()));
        if (!logs_.isEmpty()) {
            const auto [earliest, latest] =
                std::minmax_element(logs_.cbegin(), logs_.cend(),
                                    [](const ActivityLogEntry& a, const ActivityLogEntry& b) {
                                        return a.timestamp < b.timestamp;
                                    });
            logLine(QStringLiteral("📊 [ActivityLogger] Log range: %1 to %2")
                        .arg(logRangeText(earliest->timestamp), logRangeText(latest->timestamp)));
        }
        return;
    }

    logLine(QStringLiteral("⚠️ [ActivityLogger] Failed to load logs: %1").arg(loaded.error));
    unreadableLogFile_ = QFileInfo::exists(logFilePath_);
    if (!QFileInfo::exists(backupFilePath())) {
        logLine(QStringLiteral("ℹ️ [ActivityLogger] No existing logs found - starting fresh"));
        setLogs({});
        return;
    }
    ActivityLogDecodeResult backup = readLogFile(backupFilePath()).decoded;
    if (!backup.ok()) {
        logLine(QStringLiteral("❌ [ActivityLogger] Failed to load backup: %1").arg(backup.error));
        unreadableBackupFile_ = true;
        setLogs({});
        return;
    }
    setLogs(std::move(backup.entries));
    saveLogs(LockWait::tryOnce);
    logLine(QStringLiteral("🔄 [ActivityLogger] Restored %1 logs from backup").arg(logs_.size()));
}

void ActivityLogger::cleanupOldLogs() {
    QList<ActivityLogEntry> kept = logs_;
    const qsizetype removed = removeExpiredLogs(kept, currentRetentionPeriod_, runLoop_.now());
    if (removed == 0) {
        return;
    }
    setLogs(std::move(kept));
    // Written even when nothing is left, or the expired entries would return at the next load.
    hasUnsavedChanges_ = true;
    saveLogs(LockWait::tryOnce);
    logLine(QStringLiteral("🧹 [ActivityLogger] Cleaned up %1 old logs (retention: %2)")
                .arg(removed)
                .arg(displayName(currentRetentionPeriod_)));
}

void ActivityLogger::setRetentionPeriod(LogRetentionPeriod period) {
    if (period != currentRetentionPeriod_) {
        currentRetentionPeriod_ = period;
        emit currentRetentionPeriodChanged(period);
    }
    cleanupOldLogs();
    logLine(
        QStringLiteral("⏰ [ActivityLogger] Retention period set to %1").arg(displayName(period)));
}

QList<ActivityLogEntry> ActivityLogger::getLogs(LogRetentionPeriod period) const {
    return logsInPeriod(logs_, period, runLoop_.now());
}

ActivitySummary ActivityLogger::getActivitySummary(LogRetentionPeriod period) const {
    return ActivitySummary::compute(logs_, period, runLoop_.now());
}

LogFileInfo ActivityLogger::getLogFileInfo() const {
    LogFileInfo info;
    info.fileExists = QFileInfo::exists(logFilePath_);
    if (info.fileExists) {
        struct stat attributes {};
        if (::stat(QFile::encodeName(logFilePath_).constData(), &attributes) == 0) {
            info.fileSize = static_cast<qint64>(attributes.st_size);
            info.lastModified = QDateTime::fromMSecsSinceEpoch(
                static_cast<qint64>(attributes.st_mtim.tv_sec) * 1000 +
                    attributes.st_mtim.tv_nsec / 1000000,
                Qt::UTC);
        } else {
            logLine(QStringLiteral("❌ [ActivityLogger] Failed to get file attributes: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno))));
        }
    }
    info.logCount = static_cast<int>(logs_.size());
    info.pendingSaves = pendingSaveCount_;
    return info;
}

std::optional<QString> ActivityLogger::exportLogs(LogRetentionPeriod period) {
    const QList<ActivityLogEntry> entries = getLogs(period);
    const QString path =
        QDir(desktopFolder_)
            .filePath(QStringLiteral("Ostrel_Activity_%1_%2.json")
                          .arg(rawValue(period), secondsSince1970Text(runLoop_.now())));
    std::optional<QString> error;
    if (!QDir().mkpath(desktopFolder_)) {
        error = QStringLiteral("cannot create the folder %1").arg(desktopFolder_);
    } else {
        error = replaceFileContents(path, path + QStringLiteral(".tmp"),
                                    ActivityLogFileFormat::encodeExportFile(entries));
    }
    if (error) {
        logLine(QStringLiteral("❌ [ActivityLogger] Export failed: %1").arg(*error));
        return std::nullopt;
    }
    logLine(
        QStringLiteral("📤 [ActivityLogger] Exported %1 logs to: %2").arg(entries.size()).arg(path));
    return path;
}

void ActivityLogger::forceSave() {
    logLine(QStringLiteral("💾 [ActivityLogger] Force saving logs..."));
    if (saveLogs(LockWait::bounded)) {
        setPendingSaveCount(0);
    }
}

void ActivityLogger::clearAllLogs() {
    setLogs({});
    hasUnsavedChanges_ = true;
    if (saveLogs(LockWait::bounded)) {
        setPendingSaveCount(0);
        logLine(QStringLiteral("🗑️ [ActivityLogger] All logs cleared"));
    }
}

void ActivityLogger::applicationWillTerminate() {
    saveForLifecycleEvent(QStringLiteral("💾 [ActivityLogger] App terminating - saving logs"),
                          LockWait::bounded);
}

void ActivityLogger::applicationDidResignActive() {
    saveForLifecycleEvent(QStringLiteral("💾 [ActivityLogger] App resigned active - saving logs"),
                          LockWait::tryOnce);
}

void ActivityLogger::applicationDidHide() {
    saveForLifecycleEvent(QStringLiteral("💾 [ActivityLogger] App hidden - saving logs"),
                          LockWait::tryOnce);
}

void ActivityLogger::systemWillSleep() {
    saveForLifecycleEvent(QStringLiteral("💾 [ActivityLogger] System sleeping - saving logs"),
                          LockWait::bounded);
}

void ActivityLogger::systemDidWake() {
    logLine(QStringLiteral("🌅 [ActivityLogger] System woke up - ensuring logs are current"));
    // Reading the file back must not drop what has not reached it yet. Every Ostrel of the
    // user wakes at once, so the lock is worth a moment's wait here.
    if (hasUnsavedChanges_ && !saveLogs(LockWait::bounded)) {
        logLine(QStringLiteral(
            "⚠️ [ActivityLogger] Keeping the logs in memory - they could not be saved"));
        return;
    }
    loadLogs();
}

void ActivityLogger::saveForLifecycleEvent(const QString& message, LockWait wait) {
    logLine(message);
    saveLogs(wait);
}

void ActivityLogger::setLogs(QList<ActivityLogEntry> logs) {
    logs_ = std::move(logs);
    emit logsChanged();
}

void ActivityLogger::setPendingSaveCount(int count) {
    if (count != pendingSaveCount_) {
        pendingSaveCount_ = count;
        emit pendingSaveCountChanged(count);
    }
}

} // namespace ostrel
