#include "alerts/NotificationManager.h"

#include "base/EpochSecondsText.h"
#include "base/Log.h"

#include <QUuid>

namespace ostrel {

namespace {

QStringList deviceTexts(const QList<DeviceType>& devices) {
    QStringList texts;
    for (DeviceType device : devices) {
        texts.append(rawValue(device));
    }
    return texts;
}

// "Camera and Microphone": how a body and a response line name the devices.
QString deviceListText(const QList<DeviceType>& devices) {
    return deviceTexts(devices).join(QStringLiteral(" and "));
}

// The devices of a response: a list of raw values, each a device. Anything else is no list.
std::optional<QList<DeviceType>> responseDevices(const QVariantMap& userInfo) {
    const QVariant value = userInfo.value(NotificationManager::devicesKey);
    if (value.metaType().id() != QMetaType::QStringList &&
        value.metaType().id() != QMetaType::QVariantList) {
        return std::nullopt;
    }
    QList<DeviceType> devices;
    for (const QVariant& item : value.toList()) {
        const std::optional<DeviceType> device = item.metaType().id() == QMetaType::QString
                                                     ? deviceTypeFromRawValue(item.toString())
                                                     : std::nullopt;
        if (!device) {
            return std::nullopt;
        }
        devices.append(*device);
    }
    if (devices.isEmpty()) {
        return std::nullopt;
    }
    return devices;
}

template <class T> std::optional<T> typedValue(const QVariantMap& userInfo, const QString& key) {
    const auto found = userInfo.constFind(key);
    if (found == userInfo.constEnd() || found->metaType() != QMetaType::fromType<T>()) {
        return std::nullopt;
    }
    return found->value<T>();
}

} // namespace

NotificationManager::NotificationManager(UserNotificationCenter& center,
                                         AllowedAppsManager& allowedApps,
                                         SuspendedProcesses& suspendedProcesses,
                                         QSettings& preferences, MainRunLoop& runLoop)
    : center_(center), allowedApps_(allowedApps), suspendedProcesses_(suspendedProcesses),
      preferences_(preferences), runLoop_(runLoop) {}

NotificationCategory NotificationManager::accessCategory() {
    return {accessCategoryIdentifier,
            {{QStringLiteral("ALLOW"), QStringLiteral("Allow"), false},
             {QStringLiteral("ALLOW_ALWAYS"), QStringLiteral("Allow Always"), false},
             {QStringLiteral("BLOCK"), QStringLiteral("Block"), true}}};
}

NotificationCategory NotificationManager::deactivationCategory() {
    return {deactivationCategoryIdentifier,
            {{QStringLiteral("OK_DEACTIVATION"), QStringLiteral("OK"), false},
             {QStringLiteral("VIEW_DETAILS"), QStringLiteral("View Details"), false}}};
}

void NotificationManager::requestNotificationPermission() {
    const WeakRef<NotificationManager> alive(this);
    center_.getNotificationSettings([alive](const NotificationSettings& settings) {
        NotificationManager* self = alive.get();
        if (!self) {
            return;
        }
        logLine(QStringLiteral("📱 Current notification authorization status: %1")
                    .arg(int(settings.authorizationStatus)));
        if (!settings.serverAvailable) {
            logLine(QStringLiteral("⚠️ No notification server answers in this session: "
                                   "notifications will show once one starts"));
            return;
        }
        switch (settings.authorizationStatus) {
        case NotificationAuthorizationStatus::NotDetermined:
            logLine(QStringLiteral("🔔 Requesting notification permission..."));
            self->center_.requestAuthorization(
                [alive](bool granted, const std::optional<QString>& error) {
                    NotificationManager* self = alive.get();
                    if (!self) {
                        return;
                    }
                    if (error) {
                        logLine(QStringLiteral("❌ Notification permission error: ") + *error);
                    } else {
                        logLine(QStringLiteral("✅ Notification permission granted: ") +
                                boolText(granted));
                    }
                    self->center_.getNotificationSettings([](const NotificationSettings& final) {
                        logLine(QStringLiteral("📱 Final notification settings: %1")
                                    .arg(int(final.authorizationStatus)));
                        logLine(QStringLiteral("📱 Alert setting: %1").arg(int(final.alertSetting)));
                        logLine(QStringLiteral("📱 Sound setting: %1").arg(int(final.soundSetting)));
                    });
                });
            return;
        case NotificationAuthorizationStatus::Denied:
            logLine(QStringLiteral("❌ Notification permission previously denied"));
            return;
        case NotificationAuthorizationStatus::Authorized:
            logLine(QStringLiteral("✅ Notification permission already granted"));
            return;
        case NotificationAuthorizationStatus::Provisional:
            logLine(QStringLiteral("⚠️ Notification permission is provisional"));
            return;
        case NotificationAuthorizationStatus::Ephemeral:
            logLine(QStringLiteral("⏰ Notification permission is ephemeral"));
            return;
        }
        logLine(QStringLiteral("❓ Unknown notification permission status"));
    });
}

QList<DeviceType>
NotificationManager::devicesToNotify(const QList<DeviceType>& devices,
                                     const std::optional<ProcessInfo>& processInfo,
                                     const QString& skippedKind) const {
    if (!processInfo || devices.isEmpty()) {
        return devices;
    }
    // An exemption covers only its own device: the other devices of the batch are still news.
    QList<DeviceType> allowed;
    QList<DeviceType> remaining;
    for (DeviceType device : devices) {
        const bool isAllowed = allowedApps_.isAppAllowed(processInfo->bundleIdentifier,
                                                         processInfo->name, rawValue(device));
        (isAllowed ? allowed : remaining).append(device);
    }
    if (remaining.isEmpty()) {
        logLine(QStringLiteral("✅ App %1 is in allowed list for every device - skipping %2")
                    .arg(processInfo->name, skippedKind));
    } else if (!allowed.isEmpty()) {
        logLine(QStringLiteral("✅ App %1 is in allowed list for %2 - notifying for %3 only")
                    .arg(processInfo->name, deviceListText(allowed), deviceListText(remaining)));
    }
    return remaining;
}

void NotificationManager::showCombinedNotification(const QList<DeviceType>& devices,
                                                   const std::optional<ProcessInfo>& processInfo) {
    logLine(QStringLiteral("🔔 Attempting to show combined notification for devices: ") +
            deviceTexts(devices).join(QStringLiteral(", ")));
    const QList<DeviceType> notified =
        devicesToNotify(devices, processInfo, QStringLiteral("notification"));
    if (notified.isEmpty() && !devices.isEmpty()) {
        return;
    }

    NotificationContent content;
    content.title = QStringLiteral("🔍 Ostrel Alert");
    // A holder known only by name (an unverified stream, a hidden process) has no pid to show.
    content.body = !processInfo ? deviceListText(notified) +
                                      QStringLiteral(" being accessed by an unknown process")
                   : processInfo->pid > 0 ? QStringLiteral("%1 being accessed by %2 (PID: %3)")
                                                .arg(deviceListText(notified), processInfo->name,
                                                     QString::number(processInfo->pid))
                                          : QStringLiteral("%1 being accessed by %2")
                                                .arg(deviceListText(notified), processInfo->name);
    content.playsSound = preferences_.value(soundAlertsKey, false).toBool();
    // Someone may be watching or listening right now: the desktop should not hold it back.
    content.urgency = NotificationUrgency::Critical;
    content.categoryIdentifier = accessCategoryIdentifier;
    content.userInfo = {
        {devicesKey, deviceTexts(notified)},
        {processNameKey, processInfo ? processInfo->name : QStringLiteral("Unknown")},
        {processPidKey, processInfo ? processInfo->pid : qint32(-1)},
    };
    if (processInfo && processInfo->pid > 0) {
        if (const std::optional<ProcessIdentity> identity =
                suspendedProcesses_.control().identify(processInfo->pid)) {
            content.userInfo.insert(processStartTimeKey, QVariant::fromValue(identity->startTime));
        }
    }
    post({QUuid::createUuid().toString(QUuid::WithoutBraces), content}, accessCategory(),
         QStringLiteral("✅ Combined notification added successfully"),
         QStringLiteral("❌ Error showing combined notification: "));
}

void NotificationManager::showCombinedDeactivationNotification(const QList<DeviceType>& devices,
                                                               const ProcessInfo& processInfo) {
    logLine(
        QStringLiteral("🔔 Attempting to show combined deactivation notification for devices: ") +
        deviceTexts(devices).join(QStringLiteral(", ")));
    if (!preferences_.value(showInactiveAlertsKey, false).toBool()) {
        logLine(QStringLiteral(
            "🔕 Alerts for inactive devices are turned off - skipping deactivation notification"));
        return;
    }
    const QList<DeviceType> notified =
        devicesToNotify(devices, processInfo, QStringLiteral("deactivation notification"));
    if (notified.isEmpty() && !devices.isEmpty()) {
        return;
    }

    NotificationContent content;
    content.title = QStringLiteral("🔒 Ostrel Alert");
    content.body = deviceListText(notified) + QStringLiteral(" access stopped");
    content.playsSound = preferences_.value(soundAlertsKey, false).toBool();
    content.urgency = NotificationUrgency::Low;
    content.categoryIdentifier = deactivationCategoryIdentifier;
    content.userInfo = {
        {devicesKey, deviceTexts(notified)},
        {processNameKey, processInfo.name},
        {processPidKey, processInfo.pid},
        {isDeactivationKey, true},
    };
    post({QStringLiteral("combined_device_deactivation_") + secondsSince1970Text(runLoop_.now()),
          content},
         deactivationCategory(),
         QStringLiteral("✅ Combined deactivation notification scheduled successfully"),
         QStringLiteral("❌ Failed to show combined deactivation notification: "));
}

void NotificationManager::post(const NotificationRequest& request,
                               const NotificationCategory& category, const QString& successLine,
                               const QString& failurePrefix) {
    const WeakRef<NotificationManager> alive(this);
    center_.getNotificationSettings([=](const NotificationSettings& settings) {
        NotificationManager* self = alive.get();
        if (!self) {
            return;
        }
        if (settings.authorizationStatus != NotificationAuthorizationStatus::Authorized) {
            logLine(QStringLiteral("❌ Notifications not authorized"));
            return;
        }
        self->center_.setNotificationCategories({category});
        self->center_.addNotificationRequest(request, [=](const std::optional<QString>& error) {
            logLine(error ? failurePrefix + *error : successLine);
        });
    });
}

NotificationPresentation NotificationManager::willPresentNotification(const NotificationRequest&) {
    logLine(QStringLiteral("📱 Will present notification while app is active"));
    return {true, true, true};
}

void NotificationManager::didReceiveNotificationResponse(const NotificationResponse& response) {
    handleNotificationResponse(response);
}

void NotificationManager::handleNotificationResponse(const NotificationResponse& response) {
    const QString& action = response.actionIdentifier;
    logLine(QStringLiteral("📱 User responded to notification: ") + action);

    const std::optional<QList<DeviceType>> devices = responseDevices(response.userInfo);
    const std::optional<QString> processName =
        typedValue<QString>(response.userInfo, processNameKey);
    if (!devices || !processName) {
        logLine(QStringLiteral("❌ Missing user info in notification response"));
        return;
    }
    const QString device = deviceListText(*devices);
    const bool isDeactivation =
        typedValue<bool>(response.userInfo, isDeactivationKey).value_or(false);
    const qint32 pid = typedValue<qint32>(response.userInfo, processPidKey).value_or(-1);

    if (action == QStringLiteral("ALLOW")) {
        logLine(QStringLiteral("✅ User allowed %1 to access %2").arg(*processName, device));
    } else if (action == QStringLiteral("ALLOW_ALWAYS")) {
        addAlways(*processName, *devices, pid);
    } else if (action == QStringLiteral("BLOCK")) {
        logLine(QStringLiteral("🚫 User blocked %1 from accessing %2").arg(*processName, device));
        block(*processName, *devices, response.userInfo, pid);
    } else if (action == QStringLiteral("OK_DEACTIVATION")) {
        logLine(QStringLiteral("✅ User acknowledged deactivation of %1 by %2")
                    .arg(device, *processName));
    } else if (action == QStringLiteral("VIEW_DETAILS")) {
        logLine(
            QStringLiteral("🔍 User requested details for %1 of %2 by %3")
                .arg(isDeactivation ? QStringLiteral("deactivation") : QStringLiteral("activation"),
                     device, *processName));
    } else {
        logLine(QStringLiteral("📱 Default action or dismissal"));
    }
}

void NotificationManager::addAlways(const QString& processName, const QList<DeviceType>& devices,
                                    qint32 pid) {
    // Records without a pid stand for unattributed use ("Unknown Process", the microphone
    // placeholder, kernel-level findings); an entry for them would exempt every such use and
    // every process whose name is part of their text.
    if (pid < 0) {
        logLine(QStringLiteral("⚠️ Not adding %1 to the allowed list: it names no program "
                               "(PID: %2)")
                    .arg(processName, QString::number(pid)));
        return;
    }
    logLine(QStringLiteral("✅ User permanently allowed %1 to access %2")
                .arg(processName, deviceListText(devices)));
    for (const QString& device : deviceTexts(devices)) {
        allowedApps_.addApp(processName, device);
    }
}

void NotificationManager::block(const QString& processName, const QList<DeviceType>& devices,
                                const QVariantMap& userInfo, qint32 pid) {
    if (pid <= 0) {
        logLine(QStringLiteral("❌ Cannot block %1: no process was named (PID: %2)")
                    .arg(processName, QString::number(pid)));
        return;
    }
    // Without the identity taken when the notification was posted, the pid might by now
    // belong to another process.
    const std::optional<quint64> startTime = typedValue<quint64>(userInfo, processStartTimeKey);
    if (!startTime) {
        logLine(QStringLiteral("❌ Cannot block %1 (PID: %2): the process had ended when the "
                               "notification was shown")
                    .arg(processName, QString::number(pid)));
        return;
    }
    suspendedProcesses_.suspend({pid, *startTime}, {pid, processName, std::nullopt, std::nullopt},
                                devices);
}

} // namespace ostrel
