#include "activitylog/ActivityLogFileFormat.h"
#include "activitylog/ActivityLogTableModel.h"
#include "activitylog/ActivityLogViewText.h"
#include "activitylog/ActivityLogWindow.h"
#include "support/CapturedLog.h"
#include "support/FakeAlertPresenter.h"
#include "support/FakeFileBrowser.h"
#include "support/FakeRunningApplications.h"
#include "support/ManualRunLoop.h"
#include "ui/WidgetWindowController.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

using namespace ostrel;
using ActivityLogFileFormat::encodeLogFile;

namespace {

// A store in a throw-away folder, on a run loop that starts at 2026-01-01T00:00:00Z.
class ActivityLoggerTest : public testing::Test {
protected:
    void start(bool logging = true) {
        logger = std::make_unique<ActivityLogger>(folder, desktop, loop, &applications);
        if (logging) {
            logger->startLogging();
        }
    }
    // Logs a change and lets it arrive.
    void add(const QString& name, DeviceType device = DeviceType::Microphone,
             const std::optional<QString>& path = std::nullopt, bool active = true) {
        logger->logActivity(device, name, path, 4242, active);
        loop.runPending();
    }
    QStringList names() const { return namesOf(logger->logs()); }

    QString logPath() const { return folder + "/activity_logs.json"; }
    QString backupPath() const { return logPath() + ".backup"; }

    static QByteArray bytesOf(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void write(const QString& path, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(path).path());
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
    std::unique_ptr<ActivityLogger> logger;
};

// The log window on a store that is logging.
class ActivityLogViewTest : public ActivityLoggerTest {
protected:
    ActivityLogViewTest() {
        start();
        view = std::make_unique<ActivityLogView>(environment());
    }
    ActivityLogViewEnvironment environment() { return {*logger, loop, fileBrowser, alerts}; }
    template <typename T> T* child(const QString& objectName) {
        T* found = view->findChild<T*>(objectName);
        EXPECT_NE(found, nullptr) << objectName.toStdString();
        return found;
    }
    QString text(const QString& objectName) {
        const auto* label = child<QLabel>(objectName);
        return label ? label->text() : QString();
    }
    QStringList rowNames() const { return namesOf(view->tableModel().entries()); }
    bool showsEmptyState() { return child<QStackedWidget>("activityList")->currentIndex() == 0; }
    QStringList statistics() {
        return {text("statValue_Total Events"), text("statValue_Camera"),
                text("statValue_Microphone"), text("statValue_Apps")};
    }

    FakeFileBrowser fileBrowser;
    FakeAlertPresenter alerts;
    std::unique_ptr<ActivityLogView> view;
};

} // namespace

TEST_F(ActivityLoggerTest, SavesMicrophoneInFivesCameraAndSuspiciousAtOnceAndOnEvents) {
    start(false);
    add("ignored");
    EXPECT_TRUE(logger->logs().isEmpty()); // not logging yet

    QList<bool> loggingChanges;
    QObject::connect(logger.get(), &ActivityLogger::isLoggingChanged,
                     [&](bool on) { loggingChanges.append(on); });
    int logsChanges = 0;
    QObject::connect(logger.get(), &ActivityLogger::logsChanged, [&] { ++logsChanges; });
    QList<int> pendingChanges;
    QObject::connect(logger.get(), &ActivityLogger::pendingSaveCountChanged,
                     [&](int count) { pendingChanges.append(count); });
    logger->startLogging();
    logger->startLogging();
    logger->logActivity(DeviceType::Microphone, "mic1", std::nullopt, 7, false);
    EXPECT_TRUE(logger->logs().isEmpty()); // queued, not yet appended
    loop.runPending();
    EXPECT_EQ(logsChanges, 1);
    for (const char* name : {"mic2", "mic3", "mic4"}) {
        add(name);
    }
    EXPECT_FALSE(QFile::exists(logPath()));
    add("mic5");
    EXPECT_EQ(namesIn(logPath()).size(), 5);
    EXPECT_EQ(pendingChanges, (QList<int>{1, 2, 3, 4, 5, 0}));

    const std::tuple<DeviceType, QString, qsizetype> entries[] = {
        {DeviceType::Camera, "cheese", 6},
        {DeviceType::Microphone, "Suspicious Process: x", 7},
        {DeviceType::Microphone, "Unauthorized Access: y", 8},
        {DeviceType::Microphone, "suspicious lower case", 8}, // waits for its batch
    };
    for (const auto& [device, name, onDisk] : entries) {
        add(name, device);
        EXPECT_EQ(namesIn(logPath()).size(), onDisk) << name.toStdString();
    }
    EXPECT_EQ(namesIn(backupPath()).size(), 7); // the file before the last save

    // Stopping saves and resets the pending count; lifecycle events save without resetting it.
    logger->stopLogging();
    EXPECT_EQ(loggingChanges, (QList<bool>{true, false}));
    EXPECT_EQ(namesIn(logPath()).size(), 9);
    EXPECT_EQ(logger->pendingSaveCount(), 0);
    EXPECT_FALSE(QFile::exists(logPath() + ".tmp"));
    logger->startLogging();
    const std::function<void()> events[] = {
        [] { QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit"); },
        [&] { logger->applicationDidResignActive(); },
        [&] { logger->applicationDidHide(); },
        [&] { logger->systemWillSleep(); },
    };
    for (int i = 0; i < 4; ++i) {
        add(QString::number(i));
        events[i]();
        EXPECT_EQ(namesIn(logPath()).size(), 10 + i) << i;
    }
    EXPECT_EQ(logger->pendingSaveCount(), 4);
}

TEST_F(ActivityLoggerTest, LoadDropsInvalidEntriesAndTheCapKeepsTheNewest10000) {
    ActivityLogEntry late = entryNamed("late");
    late.timestamp = loop.now().addSecs(30);
    ActivityLogEntry early = entryNamed("Unknown", -1); // unidentified processes stay
    early.timestamp = loop.now().addSecs(-60);
    QList<ActivityLogEntry> file{late, early, entryNamed("negative", -2), entryNamed("")};
    for (int i = 2; i < ActivityLogger::maxLogEntries; ++i) {
        file.append(entryNamed(QString("p%1").arg(i)));
    }
    write(logPath(), encodeLogFile(file));

    start();
    EXPECT_EQ(names().mid(0, 3), (QStringList{"late", "Unknown", "p2"}));
    EXPECT_EQ(namesIn(logPath()).size(), 10000);
    EXPECT_TRUE(log.contains("⚠️ [ActivityLogger] Removed 2 corrupted log entries"));

    add("newest", DeviceType::Camera);
    const QStringList saved = namesIn(logPath());
    ASSERT_EQ(saved.size(), 10000);
    EXPECT_EQ(saved.first(), "Unknown");
    EXPECT_EQ(saved.last(), "newest");
}

TEST_F(ActivityLoggerTest, UnreadableFilesAreKeptAsideBeforeTheFirstSaveOverwritesThem) {
    write(logPath(), "{bad log");
    write(backupPath(), "[{\"id\": 1}]");
    start();
    loop.advance(60); // an empty log writes nothing
    EXPECT_EQ(bytesOf(logPath()), "{bad log");
    add("new", DeviceType::Camera);
    EXPECT_EQ(namesIn(logPath()), QStringList{"new"});
    EXPECT_EQ(bytesOf(logPath() + ".unreadable-20260101T000100Z"), "{bad log");
    EXPECT_EQ(bytesOf(backupPath() + ".unreadable-20260101T000100Z"), "[{\"id\": 1}]");

    // A readable backup stands in for the log, which is kept aside under a free name, once.
    logger.reset();
    EXPECT_TRUE(applications.observers.isEmpty()); // the store left the service
    write(logPath(), "{broken");
    write(backupPath(), encodeLogFile({entryNamed("A"), entryNamed("B")}));
    start();
    EXPECT_EQ(names(), (QStringList{"A", "B"}));
    EXPECT_EQ(namesIn(logPath()), (QStringList{"A", "B"}));
    EXPECT_EQ(bytesOf(logPath() + ".unreadable-20260101T000100Z-2"), "{broken");
    add("C", DeviceType::Camera);
    EXPECT_EQ(namesIn(backupPath()), (QStringList{"A", "B"}));
    EXPECT_EQ(QDir(folder).entryList({"*unreadable*"}).size(), 3);
    EXPECT_EQ(log.countStartingWith("⚠️ [ActivityLogger] Failed to load logs: "), 2);
}

TEST_F(ActivityLoggerTest, WakeSavesBeforeReadingTheFileBackAndClearedLogsStayCleared) {
    start();
    add("A", DeviceType::Camera);
    add("B");
    applications.observers.notify([](RunningApplicationsObserver& o) { o.systemDidWake(); });
    EXPECT_EQ(names(), (QStringList{"A", "B"}));
    EXPECT_EQ(namesIn(logPath()), (QStringList{"A", "B"}));

    logger->clearAllLogs();
    EXPECT_EQ(logger->pendingSaveCount(), 0);
    EXPECT_EQ(namesIn(logPath()), QStringList{});
    EXPECT_EQ(namesIn(backupPath()), (QStringList{"A", "B"}));
    logger->systemDidWake();
    EXPECT_TRUE(logger->logs().isEmpty());
}

TEST_F(ActivityLoggerTest, CleanupByTimersFollowsTheRetentionAndWritesEvenTheEmptyList) {
    start();
    QList<LogRetentionPeriod> periodChanges;
    QObject::connect(logger.get(), &ActivityLogger::currentRetentionPeriodChanged,
                     [&](LogRetentionPeriod period) { periodChanges.append(period); });
    logger->setRetentionPeriod(LogRetentionPeriod::oneWeek);
    EXPECT_EQ(periodChanges, QList<LogRetentionPeriod>{LogRetentionPeriod::oneWeek});
    for (const int daysAgo : {8, 3}) {
        loop.stepWallClock(-daysAgo * 86400);
        add(QString::number(daysAgo), DeviceType::Camera);
        loop.stepWallClock(daysAgo * 86400);
    }
    loop.advance(300); // the delayed cleanup after startup
    EXPECT_EQ(namesIn(logPath()), QStringList{"3"});

    // The hourly cleanup drops the rest once the week has passed, and the file follows.
    loop.stepWallClock(5 * 86400);
    loop.advance(3300);
    EXPECT_EQ(namesIn(logPath()), QStringList{});
}

TEST_F(ActivityLoggerTest, FailedSaveKeepsTheListThePendingCountAndTheOldFile) {
    start();
    add("A", DeviceType::Camera);
    ASSERT_TRUE(QDir().mkdir(logPath() + ".tmp")); // the temporary file cannot be written

    add("B", DeviceType::Camera);
    EXPECT_EQ(log.countStartingWith("❌ [ActivityLogger] Failed to save logs: "), 1);
    EXPECT_EQ(namesIn(logPath()), QStringList{"A"});
    // Waking must not reload the file over entries it does not hold.
    logger->systemDidWake();
    EXPECT_EQ(names(), (QStringList{"A", "B"}));
    logger->forceSave();
    logger->stopLogging();
    logger->clearAllLogs();
    EXPECT_EQ(logger->pendingSaveCount(), 1);

    // With the log file gone, the backup stands in for it.
    ASSERT_TRUE(QFile::remove(logPath()));
    logger->forceSave();
    EXPECT_EQ(namesIn(logPath()), QStringList{"A"});

    // Once the obstacle is gone, the timer writes the cleared list.
    ASSERT_TRUE(QDir(logPath() + ".tmp").removeRecursively());
    loop.advance(60);
    EXPECT_EQ(namesIn(logPath()), QStringList{});
    EXPECT_EQ(logger->pendingSaveCount(), 1); // a timer save leaves it
    logger->forceSave();
    EXPECT_EQ(logger->pendingSaveCount(), 0);
}

TEST_F(ActivityLoggerTest, TwoStoresOnOneFolderNeitherLoseDoubleNorResurrectEntries) {
    start();
    ActivityLogger other(folder, desktop, loop, nullptr);
    other.startLogging();
    const auto addTo = [&](ActivityLogger& store, const QString& name) {
        store.logActivity(DeviceType::Camera, name, std::nullopt, 1, true);
        loop.runPending();
    };
    addTo(*logger, "a1");
    addTo(other, "b1");
    addTo(*logger, "a2");
    addTo(other, "b2");
    EXPECT_EQ(namesIn(logPath()), (QStringList{"a1", "b1", "a2", "b2"}));
    logger->forceSave();
    EXPECT_EQ(names(), (QStringList{"a1", "b1", "a2", "b2"}));

    // What one clears stays cleared in both; what the other logs meanwhile stays.
    logger->clearAllLogs();
    addTo(other, "b3");
    EXPECT_EQ(namesOf(other.logs()), QStringList{"b3"});
    EXPECT_EQ(namesIn(logPath()), QStringList{"b3"});

    // An entry one store expires does not come back from the other.
    logger->setRetentionPeriod(LogRetentionPeriod::oneWeek);
    other.setRetentionPeriod(LogRetentionPeriod::oneWeek);
    loop.stepWallClock(-3 * 86400);
    addTo(*logger, "three days old");
    loop.stepWallClock(3 * 86400);
    other.forceSave();
    EXPECT_EQ(namesOf(other.logs()), (QStringList{"b3", "three days old"}));
    other.setRetentionPeriod(LogRetentionPeriod::twentyFourHours);
    addTo(*logger, "a3");
    EXPECT_TRUE(namesIn(logPath()) == names() && names() == (QStringList{"b3", "a3"}));
}

TEST_F(ActivityLoggerTest, FilesArePrivateWhateverTheUmaskAndAFailedBackupKeepsTheLastOne) {
    const mode_t previousUmask = ::umask(0);
    start();
    add("A", DeviceType::Camera);
    add("B", DeviceType::Camera);
    ASSERT_TRUE(QDir().mkdir(backupPath() + ".tmp")); // the new backup cannot be written
    add("C", DeviceType::Camera);
    EXPECT_EQ(namesIn(backupPath()), QStringList{"A"});
    EXPECT_EQ(namesIn(logPath()), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(
        log.countStartingWith("⚠️ [ActivityLogger] Kept the previous backup: cannot write"), 1);
    const std::optional<QString> exported = logger->exportLogs(LogRetentionPeriod::oneWeek);
    ::umask(previousUmask);
    ASSERT_TRUE(exported);
    for (const auto& [path, mode] : {std::pair{folder, 0700},
                                     {logPath(), 0600},
                                     {backupPath(), 0600},
                                     {logPath() + ".lock", 0600},
                                     {*exported, 0600}}) {
        struct stat status {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0) << path.toStdString();
        EXPECT_EQ(status.st_mode & 0777, mode_t(mode)) << path.toStdString();
    }
}

TEST(ActivityLoggerShared, OneStoreInTheUserDataFolder) {
    static QTemporaryDir home; // the store outlives the test
    static ManualRunLoop loop;
    CapturedLog log;
    const QByteArray previous = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath("data")));
    ActivityLogger::configureShared(loop, nullptr);
    EXPECT_EQ(&ActivityLogger::shared(), &ActivityLogger::shared());
    EXPECT_EQ(ActivityLogger::shared().logFilePath(),
              home.filePath("data/Ostrel/activity_logs.json"));
    qputenv("XDG_DATA_HOME", previous);
}

TEST_F(ActivityLogViewTest, ListIsNewestFirstAndFilteredWhileCardsFollowOnlyThePeriod) {
    logger->setRetentionPeriod(LogRetentionPeriod::oneMonth);
    add("old", DeviceType::Camera);
    loop.stepWallClock(2 * 86400);
    add("firefox", DeviceType::Camera, QString("/opt/Tools/firefox/firefox-bin"));
    add("Web Content", DeviceType::Microphone, QString("/usr/lib/Chromium/chrome"), false);
    loop.stepWallClock(5);
    add("arecord");
    loop.stepWallClock(-60);
    add("clock set back");
    // Equal times keep their log order.
    EXPECT_EQ(rowNames(), (QStringList{"arecord", "firefox", "Web Content", "clock set back"}));
    QStringList cells;
    for (int column : {ActivityLogTableModel::AppColumn, ActivityLogTableModel::DeviceColumn,
                       ActivityLogTableModel::ActionColumn, ActivityLogTableModel::PidColumn}) {
        cells.append(view->tableModel().index(2, column).data().toString());
    }
    EXPECT_EQ(cells, (QStringList{"chrome", "Microphone", "Stopped", "4242"}));
    // A deactivation only counts as an event.
    EXPECT_EQ(statistics(), (QStringList{"4", "1", "2", "4"}));

    const std::pair<QString, QStringList> searches[] = {
        {"FIREFOX", {"firefox"}},
        {"Chrome", {"Web Content"}}, // the shown name is the last path component
        {"tools", {}},               // folders inside a path are not searched
        {"", {"arecord", "firefox", "Web Content", "clock set back"}},
    };
    for (const auto& [search, rows] : searches) {
        view->setSearchText(search);
        EXPECT_EQ(rowNames(), rows) << search.toStdString();
    }

    auto* deviceMenu = child<QToolButton>("deviceMenu");
    for (QAction* action : deviceMenu->menu()->actions()) {
        if (action->text() == "Camera") {
            action->trigger();
        }
    }
    EXPECT_EQ(deviceMenu->text(), "Device: Camera");
    child<QLineEdit>("searchField")->setText("arecord"); // typing filters as well
    EXPECT_TRUE(showsEmptyState());
    EXPECT_EQ(text("emptyStateText"), "No activity found for the selected time period and filters");
    EXPECT_EQ(statistics(), (QStringList{"4", "1", "2", "4"}));
    // A change of the store re-renders the window.
    add("arecord", DeviceType::Camera);
    EXPECT_EQ(rowNames(), (QStringList{"arecord"}));
    EXPECT_EQ(statistics(), (QStringList{"5", "2", "2", "4"}));

    view->setSearchText("");
    view->setSelectedPeriod(LogRetentionPeriod::oneWeek);
    EXPECT_EQ(rowNames(), (QStringList{"firefox", "arecord", "old"}));
    EXPECT_EQ(statistics(), (QStringList{"6", "3", "2", "5"}));
    // The store's own retention period is not the period shown.
    EXPECT_EQ(logger->currentRetentionPeriod(), LogRetentionPeriod::oneMonth);

    child<QPushButton>("clearButton")->click();
    EXPECT_TRUE(showsEmptyState());
    EXPECT_EQ(text("emptyStateText"), "No device activity has been logged yet");
    EXPECT_EQ(statistics(), (QStringList{"0", "0", "0", "0"}));
}

TEST_F(ActivityLogViewTest, SaveStateAndPersistencePanelFollowTheStore) {
    auto* saveNow = child<QPushButton>("saveNowButton");
    auto* info = child<QToolButton>("infoButton");
    auto* panel = child<QWidget>("persistencePanel");
    EXPECT_TRUE(panel->isHidden());
    info->click();
    EXPECT_FALSE(panel->isHidden());
    EXPECT_FALSE(saveNow->isEnabled());
    EXPECT_EQ((QStringList{text("saveState"), text("fileStatusValue"), text("lastSavedValue"),
                           text("memoryValue")}),
              (QStringList{"", "❌ No file", "Never", "0 logs"}));

    add("arecord");
    EXPECT_TRUE(saveNow->isEnabled());
    EXPECT_EQ(text("saveState"), "1 pending");
    EXPECT_EQ(text("memoryValue"), "1 logs");
    saveNow->click();
    EXPECT_FALSE(saveNow->isEnabled());
    EXPECT_EQ(text("saveState"), "Saved");
    EXPECT_EQ(text("fileStatusValue"), "✅ File exists");
    EXPECT_EQ(text("fileSizeValue"), fileSizeText(QFile(logger->logFilePath()).size()));

    // Stopping saves, which the window hears about.
    add("arecord");
    EXPECT_TRUE(saveNow->isEnabled());
    logger->stopLogging();
    EXPECT_FALSE(saveNow->isEnabled());
    EXPECT_EQ(text("loggingStatus"), "Logging Stopped");

    // The relative time keeps up while the panel shows.
    QFile logFile(logger->logFilePath());
    ASSERT_TRUE(logFile.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        logFile.setFileTime(loop.now().addMSecs(1000 - 59900), QFileDevice::FileModificationTime));
    logFile.close();
    loop.advance(1.0);
    EXPECT_EQ(text("lastSavedValue"), "59s ago");
    loop.advance(1.0);
    EXPECT_EQ(text("lastSavedValue"), "1m ago");

    child<QPushButton>("showLogFileButton")->click();
    EXPECT_EQ(fileBrowser.revealed, (QStringList{logger->logFilePath()}));
    info->click();
    EXPECT_TRUE(panel->isHidden());
}

TEST_F(ActivityLogViewTest, ExportWritesCompactJsonToADesktopItCreatesAndCanRevealIt) {
    loop.advance(0.125);
    add("cheese", DeviceType::Camera, QString("/usr/bin/cheese"));
    alerts.choice = 1; // "OK"
    child<QPushButton>("exportButton")->click();
    ASSERT_EQ(alerts.alerts.size(), 1u);
    const QString exported = desktop + "/Ostrel_Activity_24h_1767225600.125.json";
    EXPECT_EQ(view->exportedFileURL(), exported);
    EXPECT_EQ(alerts.alerts[0].informativeText,
              "Activity log exported to:\n" + QFileInfo(exported).fileName());
    EXPECT_EQ(alerts.alerts[0].buttons, (QStringList{"Show in File Manager", "OK"}));
    EXPECT_TRUE(fileBrowser.revealed.isEmpty());
    // Time stamps are seconds since 2001.
    EXPECT_FALSE(bytesOf(exported).contains('\n'));
    const QJsonObject entry = QJsonDocument::fromJson(bytesOf(exported)).array().at(0).toObject();
    EXPECT_EQ(entry.value("timestamp").toDouble(), 788918400.125);
    EXPECT_EQ(entry.value("processPath").toString(), "/usr/bin/cheese");
    EXPECT_EQ(entry.value("id").toString(),
              logger->logs().value(0).id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_FALSE(entry.contains("duration"));

    alerts.choice = 0;
    view->exportLogs();
    EXPECT_EQ(fileBrowser.revealed, (QStringList{exported}));

    // A failed export shows nothing: the Desktop is a file here.
    ASSERT_TRUE(QDir(desktop).removeRecursively());
    ASSERT_TRUE(QFile(desktop).open(QIODevice::WriteOnly));
    view->exportLogs();
    EXPECT_EQ(alerts.alerts.size(), 2u);
    EXPECT_EQ(log.countStartingWith("❌ [ActivityLogger] Export failed: "), 1);
}

TEST_F(ActivityLogViewTest, WindowShowsTheStoreAndTellsTheShellWhenClosed) {
    add("cheese", DeviceType::Camera);
    std::unique_ptr<WindowController> controller = makeActivityLogWindowController(environment());
    bool closed = false;
    controller->onClosed = [&closed] { closed = true; };
    controller->showWindow();
    QWidget* window = dynamic_cast<WidgetWindowController&>(*controller).window();
    EXPECT_EQ(window->findChild<ActivityLogView*>()->tableModel().rowCount(), 1);
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed);
}
