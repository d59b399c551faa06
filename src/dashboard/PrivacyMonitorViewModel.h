#pragma once

#include "alerts/SuspendedProcesses.h"
#include "base/MainRunLoop.h"
#include "dashboard/ActiveProcess.h"
#include "dashboard/ActivityItem.h"
#include "dashboard/DeviceActivitySource.h"
#include "platform/ProcessControl.h"
#include "platform/ProcessServices.h"
#include "platform/RunningApplicationsService.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QSettings>
#include <memory>
#include <vector>

namespace ostrel {

// What the dashboard model reads and acts on.
struct DashboardEnvironment {
    MainRunLoop& loop;
    DeviceActivitySource* source; // null when the shell cannot be reached
    ProcessControl& processControl;
    const ProcessServices& processes;
    RunningApplicationsService& applications;
    QSettings& userDefaults;
    // The shell's registry, which a notification's Block also fills; without it the model
    // keeps one of its own on `processControl`.
    SuspendedProcesses* suspendedProcesses = nullptr;
};

// The model behind the dashboard: every 2 seconds it rebuilds the processes that use the
// camera or microphone from the detector, turns those that went away into recent-activity
// rows (kept in the preferences store, at most 20, for 7 days), and suspends, resumes or
// force-quits a process for the user. Only a process Ostrel identified, that is not one of
// the session's own servers, is ever signalled. Every suspended process of the registry,
// whoever suspended it, has one row offering Unblock.
class PrivacyMonitorViewModel final : public QObject {
    Q_OBJECT

public:
    static inline const QString recentActivitiesKey = QStringLiteral("OstrelRecentActivities");
    static constexpr int maxRecentActivitiesCount = 20;
    static constexpr double recentActivityLifetime = 604800.0; // 7 days
    static constexpr double clockInterval = 1.0;
    static constexpr double refreshInterval = 2.0;
    static constexpr double actionCompletionDelay = 0.5;

    explicit PrivacyMonitorViewModel(const DashboardEnvironment& environment,
                                     QObject* parent = nullptr);
    ~PrivacyMonitorViewModel() override;

    const QList<ActivityItem>& recentActivities() const { return recentActivities_; }
    const QList<ActivityItem>& filteredActivities() const { return filteredActivities_; }
    const QList<ActiveProcess>& activeProcesses() const { return activeProcesses_; }
    QList<ActiveProcess> filteredActiveProcesses() const;
    const QString& lastUpdated() const { return lastUpdated_; }
    const QString& searchText() const { return searchText_; }
    bool isLoading() const { return isLoading_; }
    bool isMonitoringActive() const { return isMonitoringActive_; }
    // Suspended by the user and not resumed since; a row offers resume for these.
    bool isBlocked(qint32 pid) const { return suspended_.contains(pid); }
    QList<qint32> blockedProcesses() const { return suspended_.pids(); }
    // The current wall-clock time, for the rows' relative times.
    QDateTime now() const { return loop_.now(); }

    void setSearchText(const QString& text);
    void filterActivities();
    void updateActiveProcesses();
    void loadRecentActivities();
    void saveRecentActivities();

    void blockProcess(qint32 pid);
    void unblockProcess(qint32 pid);
    void forceQuitProcess(qint32 pid);

signals:
    void recentActivitiesChanged();
    void activeProcessesChanged();
    void lastUpdatedChanged();
    void searchTextChanged();
    void isLoadingChanged();
    void isMonitoringActiveChanged();
    void blockedProcessesChanged();

private:
    // When a process was first seen on a device, to measure the row's duration.
    struct Sighting {
        ProcessIdentity identity;
        MonotonicTime since;
    };
    // The looked-up icon of a suspended process, empty when none was found.
    struct SuspendedIcon {
        ProcessIdentity identity;
        IconReference icon;
    };

    void connectToDeviceMonitor();
    QList<ActiveProcess> buildActiveProcesses(bool cameraActive, bool microphoneActive);
    ActiveProcess processRow(const ProcessInfo& process, DeviceType device);
    ActiveProcess unidentifiedRow(bool cameraActive, bool microphoneActive);
    void appendSuspendedRows(QList<ActiveProcess>& rows);
    ActiveProcess suspendedRow(const SuspendedProcesses::Entry& entry);
    std::optional<ProcessIdentity> controllableIdentity(const ProcessInfo& process) const;
    QString measuredDuration(qint32 pid, DeviceType device, const ProcessIdentity& identity);
    IconReference processIcon(const ProcessInfo& process) const;

    void handleProcessEnded(qint32 pid);
    ActivityItem activityFrom(const ActiveProcess& row, ActivityStatus status,
                              bool cameraWhenNeither) const;
    void addRecentActivity(const ActivityItem& item);
    void setActiveProcesses(QList<ActiveProcess> rows);
    void removeRows(qint32 pid);
    void setLoading(bool loading);
    void setMonitoringActive(bool active);
    // The identity an action may signal, or why it may not.
    std::optional<ProcessIdentity> actionTarget(qint32 pid, QString* reason) const;
    // Starts a process action: the target, or nothing after logging why there is none.
    std::optional<ProcessIdentity> beginAction(qint32 pid, const QString& verbing);
    void finishAction(std::function<void()> completion);
    QDateTime newRowTimestamp() const;

    MainRunLoop& loop_;
    std::unique_ptr<SuspendedProcesses> ownSuspended_;
    SuspendedProcesses& suspended_;
    DeviceActivitySource* source_;
    ProcessControl& processControl_;
    const ProcessServices& processes_;
    RunningApplicationsService& applications_;
    QSettings& userDefaults_;

    QList<ActivityItem> recentActivities_;
    QList<ActivityItem> filteredActivities_;
    QList<ActiveProcess> activeProcesses_;
    QString lastUpdated_;
    QString searchText_;
    bool isLoading_ = false;
    bool isMonitoringActive_ = true;

    TimerHandle updateTimer_;
    TimerHandle deviceCheckTimer_;
    std::vector<TimerHandle> completions_;
    QSet<qint32> previouslyActiveProcesses_;
    // The identity of every controllable process of the current list, by pid.
    QHash<qint32, ProcessIdentity> identities_;
    // Keyed by pid and device; forgotten when the process leaves the list.
    QHash<QPair<qint32, DeviceType>, Sighting> sightings_;
    // Keyed by pid; forgotten when the process leaves the registry.
    QHash<qint32, SuspendedIcon> suspendedIcons_;
    LastOccurrence lastRefresh_;
    // The random pid of the unidentified row, kept while that use lasts.
    std::optional<qint32> unidentifiedPid_;
};

} // namespace ostrel
