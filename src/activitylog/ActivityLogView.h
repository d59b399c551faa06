#pragma once

#include "activitylog/ActivityLogger.h"
#include "base/MainRunLoop.h"
#include "platform/AlertPresenter.h"
#include "platform/FileBrowser.h"

#include <QWidget>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace ostrel {

class ActivityLogTableModel;
class ActivityLogTableView;

// What the log window reaches: the store it shows, the clock of its relative times, the file
// manager and the modal alerts.
struct ActivityLogViewEnvironment {
    ActivityLogger& logger;
    MainRunLoop& runLoop;
    FileBrowser& fileBrowser;
    AlertPresenter& alerts;
};

// Browses the activity log by period, device and text, shows the period's statistics,
// exports the period, saves and clears the log and tells the state of the log file. It holds
// no copy of the log: every change of the store or of a filter recomputes what it shows.
class ActivityLogView final : public QWidget {
    Q_OBJECT

public:
    explicit ActivityLogView(const ActivityLogViewEnvironment& environment,
                             QWidget* parent = nullptr);
    ~ActivityLogView() override;

    LogRetentionPeriod selectedPeriod() const { return selectedPeriod_; }
    std::optional<DeviceType> selectedDevice() const { return selectedDevice_; }
    QString searchText() const;
    std::optional<QString> exportedFileURL() const { return exportedFileURL_; }
    bool showingDebugInfo() const { return showingDebugInfo_; }
    const ActivityLogTableModel& tableModel() const { return *model_; }

    // What the controls do; the window's own controls call them too.
    void setSelectedPeriod(LogRetentionPeriod period);
    void setSelectedDevice(std::optional<DeviceType> device);
    void setSearchText(const QString& text);
    void setShowingDebugInfo(bool showing);
    void exportLogs();
    void saveNow();
    void clearLogs();
    void showLogFileInFileManager();

private:
    class PeriodCard;

    QWidget* makeHeader();
    QWidget* makePeriodSelector();
    QWidget* makeStatistics();
    QWidget* makeControls();
    QWidget* makePersistencePanel();
    QWidget* makeActivityList();

    void refreshAll();
    void refreshStatus();
    void refreshPeriodCards();
    void refreshStatistics();
    void refreshPersistencePanel();
    void refreshList();

    ActivityLogViewEnvironment environment_;
    ActivityLogger& logger_;

    LogRetentionPeriod selectedPeriod_ = LogRetentionPeriod::twentyFourHours;
    std::optional<DeviceType> selectedDevice_;
    bool showingExportAlert_ = false;
    std::optional<QString> exportedFileURL_;
    std::optional<LogRetentionPeriod> hoveredPeriod_;
    bool showingDebugInfo_ = false;

    ActivityLogTableModel* model_ = nullptr;
    ActivityLogTableView* table_ = nullptr;
    QLabel* loggingDot_ = nullptr;
    QLabel* loggingText_ = nullptr;
    QLabel* saveStateIcon_ = nullptr;
    QLabel* saveStateText_ = nullptr;
    QList<PeriodCard*> periodCards_;
    QList<QLabel*> statisticValues_;
    QToolButton* deviceMenuButton_ = nullptr;
    QLineEdit* searchField_ = nullptr;
    QPushButton* saveNowButton_ = nullptr;
    QToolButton* infoButton_ = nullptr;
    QWidget* persistencePanel_ = nullptr;
    QLabel* fileStatusValue_ = nullptr;
    QLabel* fileSizeValue_ = nullptr;
    QLabel* lastSavedValue_ = nullptr;
    QLabel* memoryValue_ = nullptr;
    QStackedWidget* listStack_ = nullptr;
    QLabel* emptyStateText_ = nullptr;
    // Keeps "Last Saved" current while the panel shows.
    TimerHandle panelClock_;
};

} // namespace ostrel
