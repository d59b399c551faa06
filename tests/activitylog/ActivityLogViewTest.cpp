#include "activitylog/ActivityLogView.h"

#include "activitylog/ActivityLogTableModel.h"
#include "activitylog/ActivityLogViewText.h"
#include "activitylog/ActivityLogWindow.h"
#include "support/CapturedLog.h"
#include "support/FakeAlertPresenter.h"
#include "support/FakeFileBrowser.h"
#include "support/ManualRunLoop.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

class ActivityLogViewTest : public testing::Test {
protected:
    ActivityLogViewTest() { logger.startLogging(); }

    void log(DeviceType device, const QString& name, std::optional<QString> path = std::nullopt,
             bool active = true) {
        logger.logActivity(device, name, path, 4242, active);
        loop.runPending();
    }
    ActivityLogView& view() {
        if (!view_) {
            view_ = std::make_unique<ActivityLogView>(
                ActivityLogViewEnvironment{logger, loop, fileBrowser, alerts});
        }
        return *view_;
    }
    QString text(const QString& objectName) {
        const auto* label = view().findChild<QLabel*>(objectName);
        EXPECT_NE(label, nullptr) << objectName.toStdString();
        return label ? label->text() : QString();
    }
    template <typename T> T* child(const QString& objectName) {
        T* found = view().findChild<T*>(objectName);
        EXPECT_NE(found, nullptr) << objectName.toStdString();
        return found;
    }
    QStringList rowNames() {
        QStringList names;
        for (const ActivityLogEntry& entry : view().tableModel().entries()) {
            names.append(entry.processName);
        }
        return names;
    }
    bool showsEmptyState() { return child<QStackedWidget>("activityList")->currentIndex() == 0; }
    QStringList statistics() {
        return {text("statValue_Total Events"), text("statValue_Camera"),
                text("statValue_Microphone"), text("statValue_Apps")};
    }

    QTemporaryDir root;
    ManualRunLoop loop{QDateTime(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC)};
    CapturedLog capturedLog;
    ActivityLogger logger{root.filePath("Ostrel"), root.filePath("Desktop"), loop, nullptr};
    FakeFileBrowser fileBrowser;
    FakeAlertPresenter alerts;
    std::unique_ptr<ActivityLogView> view_;
};

} // namespace

TEST_F(ActivityLogViewTest, DeviceFilterEmptiesTheListButNotTheCards) {
    log(DeviceType::Microphone, "arecord");
    log(DeviceType::Microphone, "obs", std::nullopt, false);

    auto* deviceMenu = child<QToolButton>("deviceMenu");
    EXPECT_EQ(deviceMenu->text(), "Device: All Devices");
    EXPECT_EQ(rowNames(), (QStringList{"arecord", "obs"}));
    EXPECT_FALSE(showsEmptyState());

    QStringList items;
    QAction* camera = nullptr;
    for (QAction* action : deviceMenu->menu()->actions()) {
        items.append(action->isSeparator() ? "-" : action->text());
        if (action->text() == "Camera") {
            camera = action;
        }
    }
    EXPECT_EQ(items, (QStringList{"All Devices", "-", "Camera", "Microphone"}));
    ASSERT_NE(camera, nullptr);
    camera->trigger();

    EXPECT_EQ(view().selectedDevice(), DeviceType::Camera);
    EXPECT_EQ(deviceMenu->text(), "Device: Camera");
    EXPECT_TRUE(rowNames().isEmpty());
    EXPECT_TRUE(showsEmptyState());
    EXPECT_EQ(text("emptyStateText"), "No activity found for the selected time period and filters");
    // Two events, one microphone activation (the deactivation only counts as an event).
    EXPECT_EQ(statistics(), (QStringList{"2", "0", "1", "2"}));

    // A change of the store re-renders the window.
    log(DeviceType::Camera, "cheese");
    EXPECT_EQ(rowNames(), (QStringList{"cheese"}));
    EXPECT_EQ(statistics(), (QStringList{"3", "1", "1", "3"}));
}

TEST_F(ActivityLogViewTest, SearchIgnoresCaseAndLooksOnlyAtNamesNotFolders) {
    log(DeviceType::Camera, "firefox", QString("/opt/Tools/firefox/firefox-bin"));
    log(DeviceType::Microphone, "Web Content", QString("/usr/lib/Chromium/chrome"));
    log(DeviceType::Microphone, "arecord");

    view().setSearchText("FIREFOX");
    EXPECT_EQ(rowNames(), (QStringList{"firefox"}));
    EXPECT_EQ(child<QLineEdit>("searchField")->text(), "FIREFOX");

    // The shown name is the last path component: "chrome" finds "Web Content".
    view().setSearchText("Chrome");
    EXPECT_EQ(rowNames(), (QStringList{"Web Content"}));

    // Folders inside a path are not searched.
    view().setSearchText("tools");
    EXPECT_TRUE(rowNames().isEmpty());
    view().setSearchText("chromium");
    EXPECT_TRUE(rowNames().isEmpty());
    EXPECT_EQ(text("emptyStateText"), "No activity found for the selected time period and filters");

    view().setSearchText("");
    EXPECT_EQ(rowNames().size(), 3);
    EXPECT_EQ(statistics(), (QStringList{"3", "1", "2", "3"}));
}

TEST_F(ActivityLogViewTest, NewestFirstAndEqualTimesKeepLogOrder) {
    log(DeviceType::Microphone, "first");
    log(DeviceType::Microphone, "second");
    loop.stepWallClock(5);
    log(DeviceType::Microphone, "third");
    loop.stepWallClock(-60);
    log(DeviceType::Microphone, "clock set back");
    log(DeviceType::Microphone, "fourth at the same time");

    EXPECT_EQ(rowNames(), (QStringList{"third", "first", "second", "clock set back",
                                       "fourth at the same time"}));

    const ActivityLogTableModel& model = view().tableModel();
    EXPECT_EQ(model.columnCount(), 6);
    QStringList headers;
    for (int column = 0; column < model.columnCount(); ++column) {
        headers.append(model.headerData(column, Qt::Horizontal).toString());
    }
    EXPECT_EQ(headers, (QStringList{"Time", "App", "Device", "Action", "PID", "Date"}));
    EXPECT_EQ(model.index(0, ActivityLogTableModel::ActionColumn).data().toString(), "Started");
    EXPECT_EQ(model.index(0, ActivityLogTableModel::PidColumn).data().toString(), "4242");
    EXPECT_EQ(model.index(0, ActivityLogTableModel::DeviceColumn).data().toString(), "Microphone");
}

TEST_F(ActivityLogViewTest, PeriodCardsChangeTheListAndTheCards) {
    log(DeviceType::Camera, "old");
    loop.stepWallClock(2 * 86400);
    log(DeviceType::Microphone, "recent");

    EXPECT_EQ(view().selectedPeriod(), LogRetentionPeriod::twentyFourHours);
    EXPECT_EQ(rowNames(), (QStringList{"recent"}));
    EXPECT_EQ(statistics(), (QStringList{"1", "0", "1", "1"}));

    view().setSelectedPeriod(LogRetentionPeriod::oneWeek);
    EXPECT_EQ(rowNames(), (QStringList{"recent", "old"}));
    EXPECT_EQ(statistics(), (QStringList{"2", "1", "1", "2"}));
    // The store's own retention period is not the period shown.
    EXPECT_EQ(logger.currentRetentionPeriod(), LogRetentionPeriod::twentyFourHours);
}

TEST_F(ActivityLogViewTest, SaveNowIsEnabledOnlyWhileEntriesArePending) {
    auto* saveNow = child<QPushButton>("saveNowButton");
    EXPECT_FALSE(saveNow->isEnabled());
    EXPECT_EQ(text("saveState"), "");

    log(DeviceType::Microphone, "arecord");
    EXPECT_TRUE(saveNow->isEnabled());
    EXPECT_EQ(text("saveState"), "1 pending");
    EXPECT_EQ(text("loggingStatus"), "Logging Active");

    saveNow->click();
    EXPECT_FALSE(saveNow->isEnabled());
    EXPECT_EQ(text("saveState"), "Saved");

    // A camera entry is saved at once; stopping logging saves too.
    log(DeviceType::Camera, "cheese");
    EXPECT_FALSE(saveNow->isEnabled());
    log(DeviceType::Microphone, "arecord");
    EXPECT_TRUE(saveNow->isEnabled());
    logger.stopLogging();
    EXPECT_FALSE(saveNow->isEnabled());
    EXPECT_EQ(text("loggingStatus"), "Logging Stopped");

    // A timer save does not reset the pending count, so the button may stay enabled.
    logger.startLogging();
    log(DeviceType::Microphone, "arecord");
    loop.advance(ActivityLogger::saveInterval);
    EXPECT_TRUE(saveNow->isEnabled());
}

TEST_F(ActivityLogViewTest, ClearEmptiesTheListAndZeroesTheCards) {
    log(DeviceType::Camera, "cheese");
    log(DeviceType::Microphone, "arecord");
    EXPECT_EQ(statistics(), (QStringList{"2", "1", "1", "2"}));

    child<QPushButton>("clearButton")->click();

    EXPECT_TRUE(logger.logs().isEmpty());
    EXPECT_TRUE(showsEmptyState());
    EXPECT_EQ(text("emptyStateText"), "No device activity has been logged yet");
    EXPECT_EQ(statistics(), (QStringList{"0", "0", "0", "0"}));
}

TEST_F(ActivityLogViewTest, RelativeSaveTimes) {
    const QDateTime now = loop.now();
    EXPECT_EQ(relativeSaveTimeText(now.addMSecs(-59900), now), "59s ago");
    EXPECT_EQ(relativeSaveTimeText(now.addSecs(-60), now), "1m ago");
    EXPECT_EQ(relativeSaveTimeText(now.addMSecs(-3599999), now), "59m ago");
    EXPECT_EQ(relativeSaveTimeText(now.addSecs(-3600), now), "1h ago");
    EXPECT_EQ(relativeSaveTimeText(now.addSecs(-86400 * 3 - 5), now), "3d ago");
    EXPECT_EQ(relativeSaveTimeText(std::nullopt, now), "Never");
    EXPECT_EQ(relativeSaveTimeText(now.addSecs(30), now), "0s ago");
}

TEST_F(ActivityLogViewTest, PersistencePanelTellsTheStateOfTheLogFile) {
    auto* info = child<QToolButton>("infoButton");
    auto* panel = child<QWidget>("persistencePanel");
    EXPECT_TRUE(panel->isHidden());

    info->click();
    EXPECT_TRUE(view().showingDebugInfo());
    EXPECT_FALSE(panel->isHidden());
    EXPECT_EQ(text("fileStatusValue"), "❌ No file");
    EXPECT_EQ(text("fileSizeValue"), fileSizeText(0));
    EXPECT_EQ(text("lastSavedValue"), "Never");
    EXPECT_EQ(text("memoryValue"), "0 logs");

    log(DeviceType::Camera, "cheese");
    EXPECT_EQ(text("fileStatusValue"), "✅ File exists");
    EXPECT_EQ(text("memoryValue"), "1 logs");
    EXPECT_EQ(text("fileSizeValue"), fileSizeText(QFile(logger.logFilePath()).size()));
    EXPECT_EQ(text("lastSavedValue"), "0s ago");
    // The relative time keeps up while the panel shows.
    QFile logFile(logger.logFilePath());
    ASSERT_TRUE(logFile.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        logFile.setFileTime(loop.now().addMSecs(1000 - 59900), QFileDevice::FileModificationTime));
    logFile.close();
    loop.advance(1.0);
    EXPECT_EQ(text("lastSavedValue"), "59s ago");
    loop.advance(1.0);
    EXPECT_EQ(text("lastSavedValue"), "1m ago");

    child<QPushButton>("showLogFileButton")->click();
    EXPECT_EQ(fileBrowser.revealed, (QStringList{logger.logFilePath()}));
    EXPECT_EQ(child<QPushButton>("showLogFileButton")->text(), "Show in File Manager");

    info->click();
    EXPECT_TRUE(panel->isHidden());
}

TEST_F(ActivityLogViewTest, ExportShowsTheFileNameAndCanRevealIt) {
    log(DeviceType::Camera, "cheese");

    alerts.choice = 1; // "OK"
    child<QPushButton>("exportButton")->click();
    ASSERT_EQ(alerts.alerts.size(), 1u);
    ASSERT_TRUE(view().exportedFileURL());
    const QString exported = *view().exportedFileURL();
    EXPECT_TRUE(QFile::exists(exported));
    const AlertContent& alert = alerts.alerts.front();
    EXPECT_EQ(alert.title, "Activity Log Exported");
    EXPECT_EQ(alert.informativeText,
              "Activity log exported to:\n" + QFileInfo(exported).fileName());
    EXPECT_EQ(alert.buttons, (QStringList{"Show in File Manager", "OK"}));
    EXPECT_TRUE(fileBrowser.revealed.isEmpty());

    alerts.choice = 0;
    view().exportLogs();
    ASSERT_EQ(alerts.alerts.size(), 2u);
    EXPECT_EQ(fileBrowser.revealed, (QStringList{*view().exportedFileURL()}));

    // A failed export shows nothing: the Desktop is a file here.
    QDir(root.filePath("Desktop")).removeRecursively();
    QFile blocker(root.filePath("Desktop"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    view().exportLogs();
    EXPECT_EQ(alerts.alerts.size(), 2u);
    EXPECT_EQ(capturedLog.countStartingWith("❌ [ActivityLogger] Export failed: "), 1);
}

TEST_F(ActivityLogViewTest, WindowIsTitledSizedAndTellsTheShellWhenClosed) {
    std::unique_ptr<WindowController> controller = makeActivityLogWindowController(
        ActivityLogViewEnvironment{logger, loop, fileBrowser, alerts});
    bool closed = false;
    controller->onClosed = [&closed] { closed = true; };
    controller->showWindow();

    QWidget* window = nullptr;
    for (QWidget* candidate : QApplication::topLevelWidgets()) {
        if (candidate->findChild<ActivityLogView*>()) {
            window = candidate;
        }
    }
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Activity Log - Device Usage History");
    EXPECT_EQ(window->minimumSize(), QSize(800, 500));
    EXPECT_EQ(window->size(), QSize(1000, 700));

    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed);
}
