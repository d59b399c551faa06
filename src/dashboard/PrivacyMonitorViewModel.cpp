#include "dashboard/PrivacyMonitorViewModel.h"

#include "base/Log.h"
#include "dashboard/PersistableActivityItem.h"

#include <QLocale>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

const QString kPlaceholderBundleIdentifier = QStringLiteral("placeholder.microphone.detection");

QString modelLine(const QString& emoji, const QString& message) {
    return emoji + QStringLiteral(" [PrivacyMonitorViewModel] ") + message;
}

QString deviceSymbol(DeviceType device) {
    return device == DeviceType::Camera ? QStringLiteral("video.fill") : QStringLiteral("mic.fill");
}

} // namespace

PrivacyMonitorViewModel::PrivacyMonitorViewModel(const DashboardEnvironment& environment,
                                                 QObject* parent)
    : QObject(parent), loop_(environment.loop),
      ownSuspended_(environment.suspendedProcesses
                        ? nullptr
                        : std::make_unique<SuspendedProcesses>(environment.processControl)),
      suspended_(environment.suspendedProcesses ? *environment.suspendedProcesses : *ownSuspended_),
      source_(environment.source), processControl_(environment.processControl),
      processes_(environment.processes), applications_(environment.applications),
      userDefaults_(environment.userDefaults) {
    connect(&suspended_, &SuspendedProcesses::changed, this,
            &PrivacyMonitorViewModel::blockedProcessesChanged);
    connectToDeviceMonitor();
    // The handles are members: the timers end with the model, so no tick outlives it.
    updateTimer_ = loop_.scheduleRepeating(clockInterval, [this] {
        lastUpdated_ = QLocale::system().toString(loop_.now().toLocalTime().time(),
                                                  QStringLiteral("h:mm:ss AP"));
        emit lastUpdatedChanged();
    });
    deviceCheckTimer_ =
        loop_.scheduleRepeating(refreshInterval, [this] { updateActiveProcesses(); });
    loadRecentActivities();
}

// A registry of the model's own resumes what is left when it goes.
PrivacyMonitorViewModel::~PrivacyMonitorViewModel() = default;

void PrivacyMonitorViewModel::connectToDeviceMonitor() {
    if (source_) {
        logLine(modelLine(QStringLiteral("🔗"), QStringLiteral("Connected to device monitor")));
    } else {
        logLine(modelLine(QStringLiteral("❌"), QStringLiteral("Failed to get device monitor")));
    }
}

QList<ActiveProcess> PrivacyMonitorViewModel::filteredActiveProcesses() const {
    if (searchText_.isEmpty()) {
        return activeProcesses_;
    }
    QList<ActiveProcess> rows;
    for (const ActiveProcess& row : activeProcesses_) {
        if (row.name.toLower().contains(searchText_.toLower())) {
            rows.append(row);
        }
    }
    return rows;
}

void PrivacyMonitorViewModel::setSearchText(const QString& text) {
    if (text == searchText_) {
        return;
    }
    searchText_ = text;
    emit searchTextChanged();
}

void PrivacyMonitorViewModel::filterActivities() {
    if (searchText_.isEmpty()) {
        filteredActivities_ = recentActivities_;
    } else {
        filteredActivities_.clear();
        for (const ActivityItem& item : recentActivities_) {
            if (item.appName.toLower().contains(searchText_.toLower())) {
                filteredActivities_.append(item);
            }
        }
    }
    emit recentActivitiesChanged();
}

void PrivacyMonitorViewModel::updateActiveProcesses() {
    if (source_) {
        setMonitoringActive(source_->isMonitoringActive());
    }
    QList<ActiveProcess> rows;
    if (!isMonitoringActive_) {
        // Nothing is watched: no row ends, and the sightings start afresh next time.
        previouslyActiveProcesses_.clear();
        sightings_.clear();
        identities_.clear();
        unidentifiedPid_.reset();
    } else {
        identities_.clear();
        if (source_ && source_->hasDetector()) {
            rows = buildActiveProcesses(source_->isCameraActive(), source_->isMicrophoneActive());
        }
        QSet<qint32> current;
        for (const ActiveProcess& row : rows) {
            current.insert(row.pid);
        }
        for (qint32 pid : std::as_const(previouslyActiveProcesses_)) {
            if (!current.contains(pid)) {
                handleProcessEnded(pid);
            }
        }
        previouslyActiveProcesses_ = current;
        for (auto sighting = sightings_.begin(); sighting != sightings_.end();) {
            sighting = current.contains(sighting.key().first) ? std::next(sighting)
                                                              : sightings_.erase(sighting);
        }
        lastRefresh_ = loop_.monotonicNow();
    }
    appendSuspendedRows(rows);
    // Every refresh is announced, even with the same rows: what the views derive from other
    // stores (the allowed list) may have changed.
    activeProcesses_ = std::move(rows);
    emit activeProcessesChanged();
}

QList<ActiveProcess> PrivacyMonitorViewModel::buildActiveProcesses(bool cameraActive,
                                                                   bool microphoneActive) {
    QList<ActiveProcess> rows;
    if (cameraActive) {
        if (const std::optional<ProcessInfo> process = source_->cameraProcess()) {
            rows.append(processRow(*process, DeviceType::Camera));
        }
    }
    if (microphoneActive) {
        if (const std::optional<ProcessInfo> process = source_->microphoneProcess()) {
            rows.append(processRow(*process, DeviceType::Microphone));
        }
    }
    if (rows.isEmpty() && (cameraActive || microphoneActive)) {
        rows.append(unidentifiedRow(cameraActive, microphoneActive));
    } else {
        unidentifiedPid_.reset();
    }
    return rows;
}

ActiveProcess PrivacyMonitorViewModel::processRow(const ProcessInfo& process, DeviceType device) {
    const bool camera = device == DeviceType::Camera;
    ActiveProcess row;
    row.pid = process.pid;
    row.name = process.name;
    row.icon = processIcon(process);
    if (row.icon.isEmpty()) {
        row.icon = IconReference::symbol(deviceSymbol(device));
    }
    row.accessingMicrophone = !camera;
    row.accessingCamera = camera;

    const std::optional<ProcessIdentity> identity = controllableIdentity(process);
    if (identity) {
        identities_.insert(process.pid, *identity);
        row.canControl = true;
    }
    if (!camera && process.bundleIdentifier == kPlaceholderBundleIdentifier) {
        row.duration = QStringLiteral("Detecting...");
        row.statusText = QStringLiteral("Detecting microphone usage...");
    } else {
        row.duration =
            measuredDuration(process.pid, device, identity.value_or(ProcessIdentity{process.pid}));
        row.statusText = camera ? QStringLiteral("Active • Camera in use")
                                : QStringLiteral("Active • Microphone in use");
    }
    return row;
}

ActiveProcess PrivacyMonitorViewModel::unidentifiedRow(bool cameraActive, bool microphoneActive) {
    if (!unidentifiedPid_) {
        unidentifiedPid_ = qint32(QRandomGenerator::global()->bounded(10000, 100000));
    }
    ActiveProcess row;
    row.pid = *unidentifiedPid_;
    row.duration = QStringLiteral("Active");
    row.accessingCamera = cameraActive;
    row.accessingMicrophone = microphoneActive;
    if (cameraActive && microphoneActive) {
        row.name = QStringLiteral("Unknown Camera & Microphone Process");
        row.statusText = QStringLiteral("Unknown process using camera and microphone");
    } else {
        const QString device = rawValue(cameraActive ? DeviceType::Camera : DeviceType::Microphone);
        row.name = QStringLiteral("Unknown ") + device + QStringLiteral(" Process");
        row.statusText = QStringLiteral("Unknown process using ") + device;
    }
    row.icon = IconReference::symbol(cameraActive ? QStringLiteral("video.fill")
                                                  : QStringLiteral("mic.fill"));
    return row;
}

void PrivacyMonitorViewModel::appendSuspendedRows(QList<ActiveProcess>& rows) {
    suspended_.forgetEnded();
    const QList<qint32> pids = suspended_.pids();
    for (auto icon = suspendedIcons_.begin(); icon != suspendedIcons_.end();) {
        icon = pids.contains(icon.key()) ? std::next(icon) : suspendedIcons_.erase(icon);
    }
    for (const qint32 pid : pids) {
        // The stand-in replaces what the detector says of it: a stopped process captures
        // nothing, even while it holds the device open.
        rows.removeIf([pid](const ActiveProcess& row) { return row.pid == pid; });
        rows.append(suspendedRow(*suspended_.entry(pid)));
    }
}

ActiveProcess PrivacyMonitorViewModel::suspendedRow(const SuspendedProcesses::Entry& entry) {
    ActiveProcess row;
    row.pid = entry.identity.pid;
    row.name = entry.process.name;
    // A suspended process keeps its icon; looking it up again on every refresh could mean
    // asking for all running applications each time.
    auto icon = suspendedIcons_.find(row.pid);
    if (icon == suspendedIcons_.end() || !(icon->identity == entry.identity)) {
        icon = suspendedIcons_.insert(row.pid, {entry.identity, processIcon(entry.process)});
    }
    row.icon = icon->icon;
    if (row.icon.isEmpty()) {
        row.icon = IconReference::symbol(deviceSymbol(entry.devices.value(0, DeviceType::Camera)));
    }
    // No device either: a row using none is never shown as "Allowed", so Unblock stays
    // offered even for a name the user allowed since.
    row.duration = QStringLiteral("Suspended");
    row.statusText = QStringLiteral("Suspended • Resume it with Unblock");
    row.canControl = true;
    return row;
}

std::optional<ProcessIdentity>
PrivacyMonitorViewModel::controllableIdentity(const ProcessInfo& process) const {
    if (process.pid <= 1 || process.pid == processes_.ownPid()) {
        return std::nullopt;
    }
    if (processControl_.isSessionCritical(process.pid)) {
        return std::nullopt;
    }
    return processControl_.identify(process.pid);
}

QString PrivacyMonitorViewModel::measuredDuration(qint32 pid, DeviceType device,
                                                  const ProcessIdentity& identity) {
    const MonotonicTime now = loop_.monotonicNow();
    const auto key = qMakePair(pid, device);
    auto sighting = sightings_.find(key);
    if (sighting == sightings_.end() || !(sighting->identity == identity)) {
        // New on this device: it began after the previous refresh, and not before the
        // detector saw the device become active.
        MonotonicTime since = now;
        if (const std::optional<MonotonicTime> active = source_->activeSince(device)) {
            since = lastRefresh_ ? std::max(*active, *lastRefresh_) : *active;
        }
        sighting = sightings_.insert(key, {identity, std::min(since, now)});
    }
    const auto seconds = qint64(std::floor(secondsSince(sighting->since, now)));
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

IconReference PrivacyMonitorViewModel::processIcon(const ProcessInfo& process) const {
    if (process.bundleIdentifier) {
        if (*process.bundleIdentifier == kPlaceholderBundleIdentifier) {
            return IconReference::symbol(QStringLiteral("waveform.circle"));
        }
        if (const std::optional<QString> path =
                applications_.applicationPath(*process.bundleIdentifier)) {
            if (const QString icon = applications_.iconNameForPath(*path); !icon.isEmpty()) {
                return IconReference::application(icon);
            }
        }
    }
    for (const RunningApplicationRef& application : applications_.runningApplications()) {
        if (application->processIdentifier == process.pid && !application->iconName.isEmpty()) {
            return IconReference::application(application->iconName);
        }
    }
    if (process.path) {
        if (const QString icon = applications_.iconNameForPath(*process.path); !icon.isEmpty()) {
            return IconReference::application(icon);
        }
    }
    return {};
}

void PrivacyMonitorViewModel::handleProcessEnded(qint32 pid) {
    // A process still suspended already has its "blocked" row.
    if (suspended_.contains(pid)) {
        return;
    }
    const auto row = std::find_if(activeProcesses_.cbegin(), activeProcesses_.cend(),
                                  [pid](const ActiveProcess& each) { return each.pid == pid; });
    if (row == activeProcesses_.cend()) {
        return;
    }
    addRecentActivity(activityFrom(*row, ActivityStatus::Allowed, true));
}

ActivityItem PrivacyMonitorViewModel::activityFrom(const ActiveProcess& row, ActivityStatus status,
                                                   bool bothDevices) const {
    QList<DeviceType> devices;
    if (bothDevices) {
        if (row.accessingCamera) {
            devices.append(DeviceType::Camera);
        }
        if (row.accessingMicrophone) {
            devices.append(DeviceType::Microphone);
        }
        if (devices.isEmpty()) {
            devices.append(DeviceType::Camera);
        }
    } else {
        devices.append(row.accessingCamera ? DeviceType::Camera : DeviceType::Microphone);
    }
    return {row.name, row.icon, devices, newRowTimestamp(), row.duration, status};
}

QDateTime PrivacyMonitorViewModel::newRowTimestamp() const {
    // Rows are told apart by their time stamps, so two rows of one refresh must differ.
    return loop_.now().addMSecs(QRandomGenerator::global()->bounded(1, 1000));
}

void PrivacyMonitorViewModel::addRecentActivity(const ActivityItem& item) {
    recentActivities_.prepend(item);
    if (recentActivities_.size() > maxRecentActivitiesCount) {
        recentActivities_.resize(maxRecentActivitiesCount);
    }
    saveRecentActivities();
    filterActivities();
}

void PrivacyMonitorViewModel::setActiveProcesses(QList<ActiveProcess> rows) {
    if (rows == activeProcesses_) {
        return;
    }
    activeProcesses_ = std::move(rows);
    emit activeProcessesChanged();
}

void PrivacyMonitorViewModel::removeRows(qint32 pid) {
    QList<ActiveProcess> rows = activeProcesses_;
    rows.removeIf([pid](const ActiveProcess& row) { return row.pid == pid; });
    previouslyActiveProcesses_.remove(pid);
    setActiveProcesses(std::move(rows));
}

void PrivacyMonitorViewModel::setLoading(bool loading) {
    if (loading != isLoading_) {
        isLoading_ = loading;
        emit isLoadingChanged();
    }
}

void PrivacyMonitorViewModel::setMonitoringActive(bool active) {
    if (active != isMonitoringActive_) {
        isMonitoringActive_ = active;
        emit isMonitoringActiveChanged();
    }
}

void PrivacyMonitorViewModel::loadRecentActivities() {
    if (!userDefaults_.contains(recentActivitiesKey)) {
        logLine(
            modelLine(QStringLiteral("📂"), QStringLiteral("No persisted recent activities found")));
        recentActivities_.clear();
        filteredActivities_.clear();
        emit recentActivitiesChanged();
        return;
    }
    const DecodedRecentActivities decoded =
        decodeRecentActivities(userDefaults_.value(recentActivitiesKey).toByteArray());
    if (!decoded.items) {
        // The stored bytes stay as they are until the next save replaces them.
        logLine(modelLine(QStringLiteral("❌"),
                          QStringLiteral("Failed to load recent activities: ") + decoded.error));
        recentActivities_.clear();
        filteredActivities_.clear();
        emit recentActivitiesChanged();
        return;
    }
    recentActivities_.clear();
    for (const PersistableActivityItem& item : *decoded.items) {
        recentActivities_.append(item.toActivityItem());
    }
    if (recentActivities_.size() > maxRecentActivitiesCount) {
        recentActivities_.resize(maxRecentActivitiesCount);
        saveRecentActivities();
    }
    const QDateTime oldest = loop_.now().addMSecs(qint64(-recentActivityLifetime * 1000));
    const qsizetype removed = recentActivities_.removeIf(
        [&oldest](const ActivityItem& item) { return item.timestamp <= oldest; });
    if (removed > 0) {
        saveRecentActivities();
    }
    filteredActivities_ = recentActivities_;
    emit recentActivitiesChanged();
    logLine(modelLine(QStringLiteral("📂"), QStringLiteral("Loaded %1 recent activities from "
                                                          "persistence")
                                               .arg(recentActivities_.size())));
}

void PrivacyMonitorViewModel::saveRecentActivities() {
    std::vector<PersistableActivityItem> items;
    for (const ActivityItem& item : std::as_const(recentActivities_)) {
        items.push_back(PersistableActivityItem::from(item));
    }
    userDefaults_.setValue(recentActivitiesKey, encodeRecentActivities(items));
    userDefaults_.sync();
    if (userDefaults_.status() != QSettings::NoError) {
        logLine(modelLine(QStringLiteral("❌"),
                          QStringLiteral("Failed to save recent activities: the preferences "
                                         "store could not be written")));
        return;
    }
    logLine(modelLine(QStringLiteral("💾"),
                      QStringLiteral("Saved %1 recent activities").arg(items.size())));
}

std::optional<ProcessIdentity> PrivacyMonitorViewModel::actionTarget(qint32 pid,
                                                                     QString* reason) const {
    if (pid <= 1 || pid == processes_.ownPid()) {
        *reason = QStringLiteral("not a process Ostrel may signal");
        return std::nullopt;
    }
    if (const std::optional<SuspendedProcesses::Entry> suspended = suspended_.entry(pid)) {
        return suspended->identity;
    }
    if (const auto identity = identities_.constFind(pid); identity != identities_.constEnd()) {
        return *identity;
    }
    *reason = QStringLiteral("not a process Ostrel identified as using a device");
    return std::nullopt;
}

void PrivacyMonitorViewModel::finishAction(std::function<void()> completion) {
    std::erase_if(completions_, [](const TimerHandle& handle) { return !handle.isActive(); });
    completions_.push_back(
        loop_.scheduleOnce(actionCompletionDelay, [this, completion = std::move(completion)] {
            setLoading(false);
            completion();
        }));
}

std::optional<ProcessIdentity> PrivacyMonitorViewModel::beginAction(qint32 pid,
                                                                    const QString& verbing) {
    setLoading(true);
    QString reason;
    std::optional<ProcessIdentity> target = actionTarget(pid, &reason);
    if (!target) {
        setLoading(false);
        logLine(modelLine(
            QStringLiteral("❌"),
            QStringLiteral("Error %1 process %2: ").arg(verbing, QString::number(pid)) + reason));
    }
    return target;
}

void PrivacyMonitorViewModel::blockProcess(qint32 pid) {
    const std::optional<ProcessIdentity> target = beginAction(pid, QStringLiteral("blocking"));
    if (!target) {
        return;
    }
    const auto first = std::find_if(activeProcesses_.cbegin(), activeProcesses_.cend(),
                                    [pid](const ActiveProcess& row) { return row.pid == pid; });
    const std::optional<ActiveProcess> row =
        first == activeProcesses_.cend() ? std::nullopt : std::optional(*first);
    bool camera = false;
    bool microphone = false;
    for (const ActiveProcess& each : std::as_const(activeProcesses_)) {
        if (each.pid == pid) {
            camera = camera || each.accessingCamera;
            microphone = microphone || each.accessingMicrophone;
        }
    }
    QList<DeviceType> devices;
    if (camera) {
        devices.append(DeviceType::Camera);
    }
    if (microphone) {
        devices.append(DeviceType::Microphone);
    }
    const ProcessInfo process{pid, row ? row->name : processes_.shortName(pid), std::nullopt,
                              std::nullopt};
    if (!suspended_.suspend(*target, process, devices).succeeded) {
        finishAction([pid] {
            logLine(modelLine(QStringLiteral("❌"),
                              QStringLiteral("Failed to block process with PID: %1").arg(pid)));
        });
        return;
    }
    if (row) {
        addRecentActivity(activityFrom(*row, ActivityStatus::Blocked, true));
    }
    QList<ActiveProcess> rows = activeProcesses_;
    appendSuspendedRows(rows);
    previouslyActiveProcesses_.remove(pid);
    setActiveProcesses(std::move(rows));
    finishAction([pid] {
        logLine(modelLine(QStringLiteral("🚫"),
                          QStringLiteral("Successfully blocked process with PID: %1").arg(pid)));
    });
}

void PrivacyMonitorViewModel::unblockProcess(qint32 pid) {
    if (!beginAction(pid, QStringLiteral("unblocking"))) {
        return;
    }
    const bool resumed = suspended_.resume(pid).succeeded;
    // The stand-in row goes; if the detector still names the process, the next refresh shows
    // it again.
    if (resumed && !previouslyActiveProcesses_.contains(pid)) {
        removeRows(pid);
    }
    finishAction([pid, resumed] {
        logLine(
            resumed
                ? modelLine(QStringLiteral("✅"),
                            QStringLiteral("Successfully unblocked process with PID: %1").arg(pid))
                : modelLine(QStringLiteral("❌"),
                            QStringLiteral("Failed to unblock process with PID: %1").arg(pid)));
    });
}

void PrivacyMonitorViewModel::forceQuitProcess(qint32 pid) {
    const std::optional<ProcessIdentity> target =
        beginAction(pid, QStringLiteral("force quitting"));
    if (!target) {
        return;
    }
    if (processControl_.terminate(*target).succeeded) {
        suspended_.forget(pid);
        const auto row = std::find_if(activeProcesses_.cbegin(), activeProcesses_.cend(),
                                      [pid](const ActiveProcess& each) { return each.pid == pid; });
        if (row != activeProcesses_.cend()) {
            addRecentActivity(activityFrom(*row, ActivityStatus::Terminated, false));
        }
        removeRows(pid);
    }
    finishAction([] {});
}

} // namespace ostrel
