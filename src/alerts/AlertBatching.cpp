#include "alerts/AlertBatching.h"

#include "base/Log.h"

#include <algorithm>

namespace ostrel {

namespace {

const QString kSuspiciousMarker = QStringLiteral("Suspicious Process:");
const QString kUnauthorizedMarker = QStringLiteral("Unauthorized Access:");

const QStringList kLegitimateLocations{
    QStringLiteral("/Applications/"), QStringLiteral("/System/Applications/"),
    QStringLiteral("/System/Library/"), QStringLiteral("/usr/bin/"), QStringLiteral("/usr/sbin/")};
const QStringList kKnownApplications{
    QStringLiteral("slack"),      QStringLiteral("zoom"),      QStringLiteral("teams"),
    QStringLiteral("discord"),    QStringLiteral("skype"),     QStringLiteral("facetime"),
    QStringLiteral("chrome"),     QStringLiteral("safari"),    QStringLiteral("firefox"),
    QStringLiteral("photobooth"), QStringLiteral("quicktime"), QStringLiteral("whatsapp"),
    QStringLiteral("telegram"),   QStringLiteral("signal"),    QStringLiteral("obs"),
    QStringLiteral("streamlabs")};
const QStringList kSystemComponents{
    QStringLiteral("vdcassistant"), QStringLiteral("coreaudiod"), QStringLiteral("usereventagent"),
    QStringLiteral("windowserver"), QStringLiteral("system-level device access")};

bool isClassifiedFinding(const QString& processName) {
    return processName.contains(kSuspiciousMarker) || processName.contains(kUnauthorizedMarker);
}

QString activeText(bool isActive) {
    return isActive ? QStringLiteral("active") : QStringLiteral("inactive");
}

QString joinedRawValues(const QList<DeviceType>& devices) {
    QStringList texts;
    for (DeviceType device : devices) {
        texts.append(rawValue(device));
    }
    return texts.join(QStringLiteral(", "));
}

} // namespace

AlertBatching::AlertBatching(AlertBatchingHost& host, MainRunLoop& runLoop,
                             ActivityLogger& activityLogger,
                             NotificationManager& notificationManager,
                             AlertPresenter& alertPresenter)
    : host_(host), runLoop_(runLoop), activityLogger_(activityLogger),
      notificationManager_(notificationManager), alertPresenter_(alertPresenter) {}

bool AlertBatching::detectorState(DeviceType device) const {
    return device == DeviceType::Camera ? host_.isCameraActive() : host_.isMicrophoneActive();
}

bool AlertBatching::reportsDetectorChange(DeviceType device, bool isActive) {
    const bool current = detectorState(device);
    bool& seen = lastDetectorState_[device];
    const bool changed = current != seen;
    seen = current;
    // The detector updates its state before it reports, so its own report carries the new
    // state; any other report in the same moment does not.
    return changed && isActive == current;
}

void AlertBatching::deviceAccessChanged(DeviceType device, bool isActive,
                                        const std::optional<ProcessInfo>& processInfo) {
    if (!host_.isMonitoringActive()) {
        return;
    }
    const bool detectorChange = reportsDetectorChange(device, isActive);
    const auto last = lastNotifiedState_.find(device);
    if (!detectorChange && last != lastNotifiedState_.end() && last->second == isActive) {
        suppressDuplicate(device, isActive, processInfo);
        return;
    }
    lastNotifiedState_[device] = isActive;

    const QString name = processInfo ? processInfo->name : QStringLiteral("Unknown");
    QSet<QString>& checked = securityCheckedNames_[device];
    checked.clear();
    if (isActive && isClassifiedFinding(name)) {
        // Its batch raises the alert; later duplicates of the same finding do not.
        checked.insert(name);
    }

    logLine(QStringLiteral("🎯 [AppDelegate] Device access changed: %1 - Active: %2 - Process: %3")
                .arg(rawValue(device), boolText(isActive), name));
    activityLogger_.logActivity(device, name, processInfo ? processInfo->path : std::nullopt,
                                processInfo ? processInfo->pid : -1, isActive);
    addToBatch(device, isActive, processInfo);
    restartBatchWindow();

    const WeakRef<AlertBatching> alive(this);
    runLoop_.post([alive] {
        if (AlertBatching* self = alive.get()) {
            const bool camera = self->host_.isCameraActive();
            const bool microphone = self->host_.isMicrophoneActive();
            logLine(QStringLiteral("📊 [AppDelegate] Current status - Camera: %1, Mic: %2")
                        .arg(boolText(camera), boolText(microphone)));
            self->host_.updateStatusMenu(camera, microphone);
        }
    });
}

void AlertBatching::suppressDuplicate(DeviceType device, bool isActive,
                                      const std::optional<ProcessInfo>& processInfo) {
    const WeakRef<AlertBatching> alive(this);
    runLoop_.post([alive] {
        if (AlertBatching* self = alive.get()) {
            self->refreshStatusFromDetector();
        }
    });
    logLine(QStringLiteral("🚫 [AppDelegate] Suppressing duplicate notification for %1 – state "
                           "unchanged (%2)")
                .arg(rawValue(device), activeText(isActive)));
    // A suspicious or unauthorized process found while the device is already in use is the
    // very case the security alert exists for.
    if (isActive && processInfo && isClassifiedFinding(processInfo->name) &&
        !securityCheckedNames_[device].contains(processInfo->name)) {
        securityCheckedNames_[device].insert(processInfo->name);
        const ProcessInfo process = *processInfo;
        queueHandler([this, process, device] { checkSecurity(process, device); });
    }
}

void AlertBatching::addToBatch(DeviceType device, bool isActive,
                               const std::optional<ProcessInfo>& processInfo) {
    const QString name = processInfo ? processInfo->name : QStringLiteral("Unknown");
    const QString key = name + QLatin1Char('_') + activeText(isActive);
    if (auto batch = pendingNotifications_.find(key); batch != pendingNotifications_.end()) {
        batch->devices.insert(device);
        logLine(QStringLiteral("📦 [AppDelegate] Batching notification: %1 now using %2")
                    .arg(name, joinedRawValues({batch->devices.begin(), batch->devices.end()})));
        return;
    }
    pendingNotifications_.insert(
        key, {processInfo, isActive, {device}, runLoop_.now(), runLoop_.monotonicNow()});
    logLine(QStringLiteral("🆕 [AppDelegate] New notification batch started for: ") + name);
}

void AlertBatching::restartBatchWindow() {
    const MonotonicTime now = runLoop_.monotonicNow();
    double delay = batchWindow;
    for (const PendingNotification& batch : pendingNotifications_) {
        delay = std::min(delay, std::max(0.0, maximumBatchAge - secondsSince(batch.openedAt, now)));
    }
    notificationBatchTimer_ =
        runLoop_.scheduleOnce(delay, [this] { processBatchedNotifications(); });
}

void AlertBatching::processBatchedNotifications() {
    notificationBatchTimer_.cancel();
    logLine(QStringLiteral("📬 [AppDelegate] Processing %1 batched notifications...")
                .arg(pendingNotifications_.size()));
    for (const PendingNotification& batch : std::as_const(pendingNotifications_)) {
        queueHandler([this, batch] { handlePendingNotification(batch); });
    }
    pendingNotifications_.clear();
}

void AlertBatching::handlePendingNotification(const PendingNotification& notification) {
    const QList<DeviceType> devices(notification.devices.begin(), notification.devices.end());
    const std::optional<ProcessInfo>& process = notification.processInfo;
    if (process) {
        logLine(QStringLiteral("📱 [AppDelegate] Process: %1 (PID: %2)")
                    .arg(process->name, QString::number(process->pid)));
        if (process->bundleIdentifier) {
            logLine(QStringLiteral("📦 [AppDelegate] Bundle ID: ") + *process->bundleIdentifier);
        }
        if (process->name.contains(kSuspiciousMarker)) {
            logLine(QStringLiteral("⚠️ [AppDelegate] SUSPICIOUS PROCESS DETECTED!"));
        }
        if (process->name.contains(kUnauthorizedMarker)) {
            logLine(QStringLiteral("🔍 [AppDelegate] UNAUTHORIZED DEVICE ACCESS DETECTED!"));
        }
    }

    if (!notification.isActive) {
        logLine(QStringLiteral("📴 [AppDelegate] Devices became inactive: ") +
                joinedRawValues(devices));
        notificationManager_.showCombinedDeactivationNotification(
            devices, process.value_or(ProcessInfo::unknownProcess()));
        return;
    }
    logLine(QStringLiteral("🔔 [AppDelegate] Triggering batched notification for devices: ") +
            joinedRawValues(devices));
    notificationManager_.showCombinedNotification(devices, process);
    if (process) {
        checkSecurity(*process, devices.isEmpty() ? DeviceType::Camera : devices.first());
    }
}

void AlertBatching::checkSecurity(const ProcessInfo& processInfo, DeviceType device) {
    if (isClassifiedFinding(processInfo.name) && !isLegitimateApp(processInfo.name)) {
        showSecurityAlert(processInfo, device);
    }
}

bool AlertBatching::isLegitimateApp(const QString& processName) {
    const QString name = processName.toLower();
    const auto contained = [&name](const QString& entry) { return name.contains(entry); };
    return std::any_of(kLegitimateLocations.begin(), kLegitimateLocations.end(),
                       [&name](const QString& entry) { return name.contains(entry.toLower()); }) ||
           std::any_of(kKnownApplications.begin(), kKnownApplications.end(), contained) ||
           std::any_of(kSystemComponents.begin(), kSystemComponents.end(), contained);
}

void AlertBatching::showSecurityAlert(const ProcessInfo& processInfo, DeviceType device) {
    AlertContent alert;
    alert.style = AlertStyle::Critical;
    if (processInfo.name.contains(kSuspiciousMarker)) {
        alert.title = QStringLiteral("⚠️ Suspicious Activity Detected");
        alert.informativeText =
            QStringLiteral("A suspicious process has been detected accessing your %1.\n\n%2\n\n"
                           "This may be malware or spyware attempting to monitor you. Consider "
                           "investigating this process.")
                .arg(rawValue(device), processInfo.name);
    } else {
        alert.title = QStringLiteral("🚨 Unauthorized Device Access");
        alert.informativeText =
            QStringLiteral("An unauthorized process is directly accessing your %1.\n\n%2\n\n"
                           "This process is bypassing normal security controls. This could be "
                           "malicious software.")
                .arg(rawValue(device), processInfo.name);
    }
    alert.buttons = {QStringLiteral("OK"), QStringLiteral("View Process Details")};

    alertOpen_ = true;
    const std::optional<int> choice = alertPresenter_.runModal(alert);
    alertOpen_ = false;
    if (choice == 1) {
        logLine(QStringLiteral("🔍 [AppDelegate] User requested process details for PID: %1")
                    .arg(processInfo.pid));
    }
}

void AlertBatching::refreshStatusFromDetector() {
    host_.updateStatusMenu(host_.isCameraActive(), host_.isMicrophoneActive());
}

void AlertBatching::queueHandler(std::function<void()> handler) {
    queuedHandlers_.push_back(std::move(handler));
    const WeakRef<AlertBatching> alive(this);
    runLoop_.post([alive] {
        if (AlertBatching* self = alive.get()) {
            self->runQueuedHandlers();
        }
    });
}

void AlertBatching::runQueuedHandlers() {
    // Called again from inside an open alert's event loop, it leaves the queue to the call
    // that opened the alert.
    if (alertOpen_) {
        return;
    }
    while (!queuedHandlers_.empty()) {
        const std::function<void()> handler = std::move(queuedHandlers_.front());
        queuedHandlers_.pop_front();
        handler();
    }
}

} // namespace ostrel
