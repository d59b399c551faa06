#pragma once

#include "activitylog/ActivityLogEntry.h"
#include "activitylog/ActivitySummary.h"
#include "activitylog/FileReplacement.h"
#include "activitylog/LogFileInfo.h"
#include "activitylog/LogRetentionPeriod.h"
#include "base/MainRunLoop.h"
#include "platform/RunningApplicationsService.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <optional>

namespace ostrel {

// The single store of the activity log. It keeps every entry in memory (oldest first, at
// most 10000), saves them to "activity_logs.json" with a backup of the previous file,
// falls back to that backup when the file cannot be read, drops entries older than the
// retention period, saves on a schedule and on application and system events, and answers
// the log window's queries.
//
// Saving: every camera entry and every entry whose process name holds "Suspicious" or
// "Unauthorized" is saved at once, other entries in batches of five; the 60 s timer, a
// cleanup that removed entries, the lifecycle handlers, stopLogging, forceSave and
// clearAllLogs save too. pendingSaveCount counts the entries appended since the last save
// that reset it; only a successful save by an append, stopLogging, forceSave or
// clearAllLogs resets it, so a failed save leaves the entries shown as pending.
//
// Safety of the files: a save writes a temporary file, syncs it to disk and renames it over
// the log file in one step; the backup is replaced the same way, so a failed copy leaves the
// previous one. A log file (or backup) that failed to load is copied aside as
// "<name>.unreadable-<UTC time>" before the first save that would overwrite it. On wake,
// entries not yet on disk are saved before the file is read back. The folder and its files
// are private to the user.
//
// Several Ostrels (one per graphical session) may share the folder. A save holds an advisory
// lock on "activity_logs.json.lock", reads the file and merges it with the list by entry id:
// entries another Ostrel added join the list; an entry this store wrote before and has since
// removed (cleared, expired, over the cap) leaves the file; one it wrote before that is no
// longer in the file was removed by another Ostrel and leaves the list. The retention period
// applies to the merged list, so an expired entry returns from neither side. A save with
// nothing to do (nothing unsaved, nothing expired, the file still the version this store last
// read or wrote) touches no file. Routine saves (the timer, appends, focus and hide) try the
// lock once and, when another Ostrel holds it, leave the work to the next save; forceSave,
// clearAllLogs, stopLogging, quitting, sleep and wake wait a moment for it.
//
// All of it runs on the main thread; every timer and queued call goes through MainRunLoop.
// `logs`, `isLogging`, `currentRetentionPeriod` and `pendingSaveCount` announce every change
// through their signals.
//
// One instance serves the process: the entry point calls configureShared() once with the
// production run loop and running-applications service; the first shared() call then
// builds the store in the user's data folder (shared() before configureShared() is a wiring
// mistake and aborts). Tests construct their own stores.
class ActivityLogger final : public QObject, public RunningApplicationsObserver {
    Q_OBJECT

public:
    static constexpr int maxLogEntries = 10000;
    static constexpr int saveBatchSize = 5;
    static constexpr double saveInterval = 60;
    static constexpr double cleanupInterval = 3600;
    static constexpr double delayedCleanupDelay = 300;

    // `folder` holds the log file and its companions and is created when missing;
    // `desktopFolder` receives exports. `applications` (may be null) reports sleep and wake.
    ActivityLogger(const QString& folder, const QString& desktopFolder, MainRunLoop& runLoop,
                   RunningApplicationsService* applications, QObject* parent = nullptr);
    // Stops the timers, saves, and ends the lifecycle subscriptions.
    ~ActivityLogger() override;

    static void configureShared(MainRunLoop& runLoop, RunningApplicationsService* applications);
    // The production store, built on first access; it lives until the process ends.
    static ActivityLogger& shared();
    // "$XDG_DATA_HOME/Ostrel" (~/.local/share/Ostrel).
    static QString defaultFolder();
    // The XDG Desktop folder.
    static QString defaultDesktopFolder();

    const QList<ActivityLogEntry>& logs() const { return logs_; }
    bool isLogging() const { return isLogging_; }
    LogRetentionPeriod currentRetentionPeriod() const { return currentRetentionPeriod_; }
    int pendingSaveCount() const { return pendingSaveCount_; }
    QString logFilePath() const { return logFilePath_; }
    QString backupFilePath() const;
    QString temporaryFilePath() const;
    QString lockFilePath() const;

    void startLogging();
    void stopLogging();
    // Records a device change while logging is on. The entry reaches `logs` through the
    // main run loop, after the current task.
    void logActivity(DeviceType device, const QString& processName,
                     const std::optional<QString>& processPath, qint64 processID, bool isActive);
    // Applies the period to cleanup at once; the store does not persist it.
    void setRetentionPeriod(LogRetentionPeriod period);

    QList<ActivityLogEntry> getLogs(LogRetentionPeriod period) const;
    ActivitySummary getActivitySummary(LogRetentionPeriod period) const;
    LogFileInfo getLogFileInfo() const;
    // Writes the period's entries to the Desktop folder (created when missing); the path
    // written, or nothing on failure.
    std::optional<QString> exportLogs(LogRetentionPeriod period);
    void forceSave();
    void clearAllLogs();

    // Lifecycle. Quitting reaches applicationWillTerminate through QCoreApplication; the
    // shell calls the two window-state handlers when the application loses focus or hides;
    // sleep and wake come from the running-applications service.
    void applicationWillTerminate();
    void applicationDidResignActive();
    void applicationDidHide();
    // Only sleep and wake matter to the log.
    bool observesLaunches() const override { return false; }
    void systemWillSleep() override;
    void systemDidWake() override;

signals:
    void logsChanged();
    // A device change was accepted into the log (not sent for entries read back from disk).
    void entryAppended(const ostrel::ActivityLogEntry& entry);
    void isLoggingChanged(bool isLogging);
    void currentRetentionPeriodChanged(ostrel::LogRetentionPeriod period);
    void pendingSaveCountChanged(int pendingSaveCount);

private:
    void appendEntry(const ActivityLogEntry& entry);
    static bool shouldSaveImmediately(const ActivityLogEntry& entry);
    enum class LockWait { tryOnce, bounded };
    // True when the log file holds the list afterwards (also when there was nothing to write).
    bool saveLogs(LockWait wait);
    bool hasNothingToSave() const;
    // Under the lock: the list merged with the entries of `onDisk`, the file as it is now.
    QList<ActivityLogEntry> mergedWith(const QList<ActivityLogEntry>& onDisk) const;
    bool keepUnreadableFiles();
    void loadLogs();
    void cleanupOldLogs();
    void saveForLifecycleEvent(const QString& message, LockWait wait);

    void setLogs(QList<ActivityLogEntry> logs);
    void setPendingSaveCount(int count);

    MainRunLoop& runLoop_;
    RunningApplicationsService* applications_;
    const QString folder_;
    const QString desktopFolder_;
    const QString logFilePath_;

    QList<ActivityLogEntry> logs_;
    bool isLogging_ = false;
    LogRetentionPeriod currentRetentionPeriod_ = LogRetentionPeriod::twentyFourHours;
    int pendingSaveCount_ = 0;

    // The in-memory list differs from what was last written (entries appended, cleared or
    // expired); an empty list is written only then.
    bool hasUnsavedChanges_ = false;
    // The ids in the log file when this store last read or wrote it.
    QSet<QUuid> savedIds_;
    // The log file this store last read or wrote while it held just `logs_`.
    std::optional<FileVersion> savedFile_;
    // The last load could not read these files; they are kept aside before being overwritten.
    bool unreadableLogFile_ = false;
    bool unreadableBackupFile_ = false;

    TimerHandle cleanupTimer_;
    TimerHandle saveTimer_;
    TimerHandle delayedCleanup_;
};

} // namespace ostrel
