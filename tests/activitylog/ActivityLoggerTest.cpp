#include "activitylog/ActivityLogger.h"

#include "activitylog/ActivityLogFileFormat.h"
#include "support/CapturedLog.h"
#include "support/FakeRunningApplications.h"
#include "support/ManualRunLoop.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace ostrel;

namespace {

class ActivityLoggerTest : public testing::Test {
protected:
    std::unique_ptr<ActivityLogger> makeLogger() {
        return std::make_unique<ActivityLogger>(folder, desktop, loop, &applications);
    }

    QString logPath() const { return folder + "/activity_logs.json"; }
    QString backupPath() const { return logPath() + ".backup"; }
    QString tmpPath() const { return logPath() + ".tmp"; }

    static QByteArray bytesOf(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    // Process names of the entries in a log file; fails the test when it cannot be read.
    static QStringList namesIn(const QString& path) {
        const ActivityLogDecodeResult read = ActivityLogFileFormat::decodeLogFile(bytesOf(path));
        EXPECT_TRUE(read.ok()) << path.toStdString() << ": " << read.error.toStdString();
        return namesOf(read.entries);
    }
    static QStringList namesOf(const QList<ActivityLogEntry>& entries) {
        QStringList names;
        for (const ActivityLogEntry& entry : entries) {
            names.append(entry.processName);
        }
        return names;
    }
    QStringList filesInFolder() const {
        return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
    void logNow(ActivityLogger& logger, DeviceType device, const QString& name, qint64 pid = 100) {
        logger.logActivity(device, name, std::nullopt, pid, true);
        loop.runPending();
    }
    ActivityLogEntry entryNamed(const QString& name, qint64 pid = 100) const {
        return ActivityLogEntry::create(DeviceType::Camera, name, std::nullopt, pid, true,
                                        loop.now());
    }

    QTemporaryDir root;
    const QString folder = root.filePath("Ostrel");
    const QString desktop = root.filePath("Desktop");
    ManualRunLoop loop{QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC)};
    FakeRunningApplications applications;
    CapturedLog log;
};

} // namespace

TEST_F(ActivityLoggerTest, FirstStartIsFreshAndEntriesArriveThroughTheRunLoop) {
    auto logger = makeLogger();
    EXPECT_EQ(log.countStartingWith("⚠️ [ActivityLogger] Failed to load logs: "), 1);
    EXPECT_TRUE(log.contains("ℹ️ [ActivityLogger] No existing logs found - starting fresh"));
    EXPECT_TRUE(log.contains("🔔 [ActivityLogger] App lifecycle observers setup complete"));
    EXPECT_TRUE(QDir(folder).exists());
    EXPECT_TRUE(logger->logs().isEmpty());
    EXPECT_EQ(loop.activeTimerCount(), 3); // save, cleanup, delayed cleanup

    const LogFileInfo none = logger->getLogFileInfo();
    EXPECT_FALSE(none.fileExists);
    EXPECT_EQ(none.fileSize, 0);
    EXPECT_FALSE(none.lastModified);

    log.clear();
    logNow(*logger, DeviceType::Camera, "cheese");
    EXPECT_TRUE(logger->logs().isEmpty());
    EXPECT_TRUE(log.lines().isEmpty()); // not logging: no effect, no message

    QList<bool> loggingChanges;
    QObject::connect(logger.get(), &ActivityLogger::isLoggingChanged,
                     [&](bool on) { loggingChanges.append(on); });
    logger->startLogging();
    logger->startLogging();
    EXPECT_EQ(loggingChanges, QList<bool>{true});
    EXPECT_EQ(log.lines(),
              QStringList{"🚀 [ActivityLogger] Started logging with Last 24 Hours retention"});

    int logsChanges = 0;
    QObject::connect(logger.get(), &ActivityLogger::logsChanged, [&] { ++logsChanges; });
    logger->logActivity(DeviceType::Microphone, "arecord", QString("/usr/bin/arecord"), 7, false);
    EXPECT_TRUE(log.contains("📝 [ActivityLogger] Microphone deactivated by arecord"));
    EXPECT_TRUE(logger->logs().isEmpty()); // queued, not yet appended
    loop.runPending();
    ASSERT_EQ(logger->logs().size(), 1);
    EXPECT_EQ(logsChanges, 1);
    EXPECT_EQ(logger->logs()[0].processPath, "/usr/bin/arecord");
    EXPECT_EQ(logger->logs()[0].timestamp, loop.now());
}

TEST_F(ActivityLoggerTest, MicrophoneSavesInFivesCameraAndSuspiciousAtOnce) {
    auto logger = makeLogger();
    logger->startLogging();
    QList<int> pendingChanges;
    QObject::connect(logger.get(), &ActivityLogger::pendingSaveCountChanged,
                     [&](int count) { pendingChanges.append(count); });

    for (int i = 1; i <= 4; ++i) {
        logNow(*logger, DeviceType::Microphone, QString("mic%1").arg(i));
    }
    EXPECT_FALSE(QFile::exists(logPath()));
    EXPECT_EQ(logger->getLogFileInfo().pendingSaves, 4);
    logNow(*logger, DeviceType::Microphone, "mic5");
    EXPECT_EQ(namesIn(logPath()).size(), 5);
    EXPECT_TRUE(log.contains("💾 [ActivityLogger] Successfully saved 5 logs to disk"));
    EXPECT_EQ(pendingChanges, (QList<int>{1, 2, 3, 4, 5, 0}));

    logNow(*logger, DeviceType::Camera, "cheese");
    EXPECT_EQ(namesIn(logPath()).size(), 6);
    logNow(*logger, DeviceType::Microphone, "Suspicious Process: x");
    logNow(*logger, DeviceType::Microphone, "Unauthorized Access: y");
    EXPECT_EQ(namesIn(logPath()).size(), 8);
    logNow(*logger, DeviceType::Microphone, "suspicious lower case");
    EXPECT_EQ(namesIn(logPath()).size(), 8);
    EXPECT_EQ(logger->pendingSaveCount(), 1);

    const LogFileInfo info = logger->getLogFileInfo();
    EXPECT_TRUE(info.fileExists);
    EXPECT_EQ(info.fileSize, bytesOf(logPath()).size());
    EXPECT_EQ(info.logCount, 9);
    EXPECT_TRUE(info.lastModified);
}

TEST_F(ActivityLoggerTest, BackupHoldsThePreviousSaveAndTimerSavesKeepThePendingCount) {
    auto logger = makeLogger();
    logger->startLogging();
    logNow(*logger, DeviceType::Camera, "A");
    EXPECT_FALSE(QFile::exists(backupPath()));
    logNow(*logger, DeviceType::Camera, "B");
    EXPECT_EQ(namesIn(backupPath()), QStringList{"A"});
    EXPECT_EQ(namesIn(logPath()), (QStringList{"A", "B"}));

    logNow(*logger, DeviceType::Microphone, "C");
    loop.advance(60);
    EXPECT_EQ(namesIn(logPath()), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(namesIn(backupPath()), (QStringList{"A", "B"}));
    EXPECT_EQ(logger->pendingSaveCount(), 1);

    logger->forceSave();
    EXPECT_TRUE(log.contains("💾 [ActivityLogger] Force saving logs..."));
    EXPECT_EQ(logger->pendingSaveCount(), 0);
    logNow(*logger, DeviceType::Microphone, "D");
    logger->stopLogging();
    EXPECT_TRUE(log.contains("🛑 [ActivityLogger] Stopped logging and saved all data"));
    EXPECT_EQ(logger->pendingSaveCount(), 0);
    EXPECT_FALSE(QFile::exists(tmpPath()));
}

TEST_F(ActivityLoggerTest, TheCapKeepsTheNewest10000) {
    QDir().mkpath(folder);
    QList<ActivityLogEntry> full;
    for (int i = 0; i < ActivityLogger::maxLogEntries; ++i) {
        full.append(entryNamed(QString("p%1").arg(i)));
    }
    write(logPath(), ActivityLogFileFormat::encodeLogFile(full));

    auto logger = makeLogger();
    ASSERT_EQ(logger->logs().size(), 10000);
    logger->startLogging();
    logNow(*logger, DeviceType::Camera, "newest");
    ASSERT_EQ(logger->logs().size(), 10000);
    EXPECT_EQ(logger->logs().first().processName, "p1");
    EXPECT_EQ(logger->logs().last().processName, "newest");
    EXPECT_EQ(namesIn(logPath()).size(), 10000);
}

TEST_F(ActivityLoggerTest, LoadDropsInvalidEntriesButKeepsUnidentifiedProcesses) {
    QDir().mkpath(folder);
    ActivityLogEntry late = entryNamed("late");
    late.timestamp = QDateTime(QDate(2026, 1, 1), QTime(0, 0, 30), Qt::UTC);
    ActivityLogEntry early = entryNamed("Unknown", -1);
    early.timestamp = QDateTime(QDate(2025, 12, 31), QTime(23, 59, 0), Qt::UTC);
    write(logPath(), ActivityLogFileFormat::encodeLogFile(
                         {late, early, entryNamed("negative", -2), entryNamed("")}));

    auto logger = makeLogger();
    EXPECT_EQ(namesOf(logger->logs()), (QStringList{"late", "Unknown"}));
    EXPECT_EQ(namesIn(logPath()), (QStringList{"late", "Unknown"}));
    EXPECT_EQ(log.lines().mid(0, 4),
              (QStringList{"⚠️ [ActivityLogger] Removed 2 corrupted log entries",
                           "💾 [ActivityLogger] Successfully saved 2 logs to disk",
                           "✅ [ActivityLogger] Loaded 2 activity logs from disk",
                           "📊 [ActivityLogger] Log range: 2025-12-31 23:59:00 +0000 to "
                           "2026-01-01 00:00:30 +0000"}));

    // The unidentified entry survives the next start as well.
    logger.reset();
    EXPECT_EQ(namesOf(makeLogger()->logs()), (QStringList{"late", "Unknown"}));
}

TEST_F(ActivityLoggerTest, UnreadableLogFallsBackToTheBackupAndIsKeptAside) {
    QDir().mkpath(folder);
    write(logPath(), "{broken");
    write(backupPath(), ActivityLogFileFormat::encodeLogFile({entryNamed("A"), entryNamed("B")}));

    auto logger = makeLogger();
    EXPECT_EQ(namesOf(logger->logs()), (QStringList{"A", "B"}));
    EXPECT_EQ(log.countStartingWith("⚠️ [ActivityLogger] Failed to load logs: "), 1);
    EXPECT_TRUE(log.contains("🔄 [ActivityLogger] Restored 2 logs from backup"));
    EXPECT_EQ(namesIn(logPath()), (QStringList{"A", "B"}));
    EXPECT_EQ(bytesOf(backupPath()), "{broken"); // the save after the restore moved it there

    const QString sideName = logPath() + ".unreadable-20260101T000000Z";
    EXPECT_EQ(bytesOf(sideName), "{broken");
    EXPECT_TRUE(log.contains(QString("🗄️ [ActivityLogger] Kept the unreadable file %1 as %2")
                                 .arg(logPath(), sideName)));

    // Once: the next save overwrites the backup and keeps nothing more.
    logger->startLogging();
    logNow(*logger, DeviceType::Camera, "C");
    EXPECT_EQ(namesIn(backupPath()), (QStringList{"A", "B"}));
    EXPECT_EQ(log.countStartingWith("🗄️"), 1);
    EXPECT_EQ(filesInFolder().filter("unreadable").size(), 1);
}

TEST_F(ActivityLoggerTest, BothFilesUnreadableSurviveTheFirstSave) {
    QDir().mkpath(folder);
    write(logPath(), "{bad log");
    write(backupPath(), "[{\"id\": 1}]");

    auto logger = makeLogger();
    EXPECT_EQ(log.countStartingWith("❌ [ActivityLogger] Failed to load backup: "), 1);
    EXPECT_TRUE(logger->logs().isEmpty());
    loop.advance(60); // an empty log writes nothing
    EXPECT_EQ(bytesOf(logPath()), "{bad log");

    logger->startLogging();
    logNow(*logger, DeviceType::Camera, "new");
    EXPECT_EQ(namesIn(logPath()), QStringList{"new"});
    EXPECT_EQ(bytesOf(logPath() + ".unreadable-20260101T000100Z"), "{bad log");
    EXPECT_EQ(bytesOf(backupPath() + ".unreadable-20260101T000100Z"), "[{\"id\": 1}]");
}

TEST_F(ActivityLoggerTest, ClearAllLogsThenWakeStaysEmpty) {
    auto logger = makeLogger();
    logger->startLogging();
    logNow(*logger, DeviceType::Camera, "A");
    logNow(*logger, DeviceType::Microphone, "B");

    logger->clearAllLogs();
    EXPECT_TRUE(log.contains("🗑️ [ActivityLogger] All logs cleared"));
    EXPECT_EQ(logger->pendingSaveCount(), 0);
    EXPECT_EQ(namesIn(logPath()), QStringList{});
    EXPECT_EQ(namesIn(backupPath()), (QStringList{"A"}));

    applications.observers.notify([](RunningApplicationsObserver& o) { o.systemDidWake(); });
    EXPECT_TRUE(log.contains("🌅 [ActivityLogger] System woke up - ensuring logs are current"));
    EXPECT_TRUE(log.contains("✅ [ActivityLogger] Loaded 0 activity logs from disk"));
    EXPECT_TRUE(logger->logs().isEmpty());
}

TEST_F(ActivityLoggerTest, WakeSavesUnsavedEntriesBeforeReadingTheFileBack) {
    auto logger = makeLogger();
    logger->startLogging();
    logNow(*logger, DeviceType::Camera, "A");
    logNow(*logger, DeviceType::Microphone, "B");

    logger->systemDidWake();
    EXPECT_EQ(namesOf(logger->logs()), (QStringList{"A", "B"}));
    EXPECT_EQ(namesIn(logPath()), (QStringList{"A", "B"}));

    // When they cannot be saved, the entries stay in memory instead of being reloaded away.
    logNow(*logger, DeviceType::Microphone, "C");
    ASSERT_TRUE(QDir().mkdir(tmpPath()));
    logger->systemDidWake();
    EXPECT_EQ(namesOf(logger->logs()), (QStringList{"A", "B", "C"}));
    EXPECT_TRUE(log.contains(
        "⚠️ [ActivityLogger] Keeping the logs in memory - they could not be saved"));
}

TEST_F(ActivityLoggerTest, CleanupByTimersAndRetentionWritesEvenTheEmptyList) {
    auto logger = makeLogger();
    logger->startLogging();
    loop.stepWallClock(-2 * 86400);
    logNow(*logger, DeviceType::Camera, "old");
    loop.stepWallClock(2 * 86400);
    logNow(*logger, DeviceType::Camera, "recent");

    loop.advance(300);
    EXPECT_TRUE(
        log.contains("🧹 [ActivityLogger] Starting delayed cleanup (5 minutes after startup)"));
    EXPECT_TRUE(
        log.contains("🧹 [ActivityLogger] Cleaned up 1 old logs (retention: Last 24 Hours)"));
    EXPECT_EQ(namesIn(logPath()), QStringList{"recent"});

    log.clear();
    QList<LogRetentionPeriod> periodChanges;
    QObject::connect(logger.get(), &ActivityLogger::currentRetentionPeriodChanged,
                     [&](LogRetentionPeriod period) { periodChanges.append(period); });
    logger->setRetentionPeriod(LogRetentionPeriod::oneWeek);
    EXPECT_EQ(log.lines(), QStringList{"⏰ [ActivityLogger] Retention period set to Last Week"});
    EXPECT_EQ(periodChanges, QList<LogRetentionPeriod>{LogRetentionPeriod::oneWeek});

    // Everything expires at the hourly cleanup; the file must not bring it back.
    loop.stepWallClock(8 * 86400);
    loop.advance(3300);
    EXPECT_TRUE(log.contains("🧹 [ActivityLogger] Cleaned up 1 old logs (retention: Last Week)"));
    EXPECT_TRUE(logger->logs().isEmpty());
    EXPECT_EQ(namesIn(logPath()), QStringList{});
    logger.reset();
    EXPECT_TRUE(makeLogger()->logs().isEmpty());
}

TEST_F(ActivityLoggerTest, ExportWritesToADesktopItCreates) {
    auto logger = makeLogger();
    ASSERT_FALSE(QDir(desktop).exists());
    const std::optional<QString> empty = logger->exportLogs(LogRetentionPeriod::twentyFourHours);
    ASSERT_TRUE(empty);
    EXPECT_EQ(*empty, desktop + "/Ostrel_Activity_24h_1767225600.0.json");
    EXPECT_EQ(bytesOf(*empty), "[]");
    EXPECT_TRUE(log.contains("📤 [ActivityLogger] Exported 0 logs to: " + *empty));

    logger->startLogging();
    logNow(*logger, DeviceType::Camera, "cheese");
    loop.advance(0.125);
    const std::optional<QString> one = logger->exportLogs(LogRetentionPeriod::oneMonth);
    ASSERT_TRUE(one);
    EXPECT_EQ(*one, desktop + "/Ostrel_Activity_1m_1767225600.125.json");
    EXPECT_TRUE(bytesOf(*one).contains("\"timestamp\":788918400"));

    ASSERT_TRUE(QDir(desktop).removeRecursively());
    write(desktop, "not a folder");
    EXPECT_FALSE(logger->exportLogs(LogRetentionPeriod::oneWeek));
    EXPECT_EQ(log.countStartingWith("❌ [ActivityLogger] Export failed: "), 1);
}

TEST_F(ActivityLoggerTest, FailedSaveKeepsTheListThePendingCountAndTheOldFile) {
    auto logger = makeLogger();
    logger->startLogging();
    logNow(*logger, DeviceType::Camera, "A");
    ASSERT_TRUE(QDir().mkdir(tmpPath())); // the temporary file cannot be written

    logNow(*logger, DeviceType::Camera, "B");
    EXPECT_EQ(log.countStartingWith("❌ [ActivityLogger] Failed to save logs: "), 1);
    EXPECT_EQ(namesOf(logger->logs()), (QStringList{"A", "B"}));
    EXPECT_EQ(logger->pendingSaveCount(), 1);
    EXPECT_EQ(namesIn(logPath()), QStringList{"A"});
    EXPECT_FALSE(log.contains("🔄 [ActivityLogger] Restored from backup after save failure"));

    logger->forceSave();
    logger->stopLogging();
    EXPECT_FALSE(log.contains("🛑 [ActivityLogger] Stopped logging and saved all data"));
    logger->clearAllLogs();
    EXPECT_FALSE(log.contains("🗑️ [ActivityLogger] All logs cleared"));
    EXPECT_EQ(logger->pendingSaveCount(), 1);

    // With the log file gone, the backup stands in for it.
    ASSERT_TRUE(QFile::remove(logPath()));
    logger->forceSave();
    EXPECT_TRUE(log.contains("🔄 [ActivityLogger] Restored from backup after save failure"));
    EXPECT_EQ(bytesOf(logPath()), bytesOf(backupPath()));

    // Once the obstacle is gone, the timer writes the cleared list.
    ASSERT_TRUE(QDir(tmpPath()).removeRecursively());
    loop.advance(60);
    EXPECT_EQ(namesIn(logPath()), QStringList{});
    logger->forceSave();
    EXPECT_EQ(logger->pendingSaveCount(), 0);
}

TEST_F(ActivityLoggerTest, AFolderThatCannotExistFailsSavesButKeepsEntries) {
    write(folder, "a file where the folder should be");
    auto logger = makeLogger();
    logger->startLogging();
    logNow(*logger, DeviceType::Camera, "A");
    EXPECT_EQ(log.countStartingWith("❌ [ActivityLogger] Failed to save logs: "), 1);
    EXPECT_EQ(namesOf(logger->logs()), QStringList{"A"});
    EXPECT_EQ(bytesOf(folder), "a file where the folder should be");
}

TEST_F(ActivityLoggerTest, LifecycleEventsSave) {
    auto logger = makeLogger();
    logger->startLogging();
    logNow(*logger, DeviceType::Microphone, "A");
    log.clear();

    QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit");
    logger->applicationDidResignActive();
    logger->applicationDidHide();
    applications.observers.notify([](RunningApplicationsObserver& o) { o.systemWillSleep(); });
    const QString saved = "💾 [ActivityLogger] Successfully saved 1 logs to disk";
    EXPECT_EQ(log.lines(),
              (QStringList{"💾 [ActivityLogger] App terminating - saving logs", saved,
                           "💾 [ActivityLogger] App resigned active - saving logs", saved,
                           "💾 [ActivityLogger] App hidden - saving logs", saved,
                           "💾 [ActivityLogger] System sleeping - saving logs", saved}));
    EXPECT_EQ(logger->pendingSaveCount(), 1); // these saves do not reset it

    // The store leaves the service when it goes.
    logger.reset();
    EXPECT_TRUE(applications.observers.isEmpty());
}

TEST(ActivityLoggerShared, OneStoreInTheUserDataFolder) {
    static QTemporaryDir home; // the store outlives the test
    static ManualRunLoop loop;
    CapturedLog log;
    const QByteArray previous = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath("data")));
    ActivityLogger::configureShared(loop, nullptr);
    ActivityLogger& store = ActivityLogger::shared();
    EXPECT_EQ(&store, &ActivityLogger::shared());
    EXPECT_EQ(store.logFilePath(), home.filePath("data/Ostrel/activity_logs.json"));
    if (previous.isNull()) {
        qunsetenv("XDG_DATA_HOME");
    } else {
        qputenv("XDG_DATA_HOME", previous);
    }
}
