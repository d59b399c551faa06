#pragma once

#include "base/WeakRef.h"

#include <QList>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <optional>

namespace ostrel {

// The desktop's answer about notifications, in the numbers the logic logs.
enum class NotificationAuthorizationStatus {
    NotDetermined = 0,
    Denied = 1,
    Authorized = 2,
    Provisional = 3,
    Ephemeral = 4,
};

// Whether a kind of presentation is available: 0 not supported, 1 disabled, 2 enabled.
enum class NotificationSetting {
    NotSupported = 0,
    Disabled = 1,
    Enabled = 2,
};

struct NotificationSettings {
    NotificationAuthorizationStatus authorizationStatus =
        NotificationAuthorizationStatus::NotDetermined;
    NotificationSetting alertSetting = NotificationSetting::NotSupported;
    NotificationSetting soundSetting = NotificationSetting::NotSupported;
    // False when nothing in the session shows notifications at all: the status then reads
    // Denied although nobody refused, and there is no setting the user could change.
    bool serverAvailable = true;
};

struct NotificationAction {
    QString identifier;
    QString title;
    bool destructive = false;
};

// A named set of actions; a notification shows the actions of its category.
struct NotificationCategory {
    QString identifier;
    QList<NotificationAction> actions;
};

// How insistently the desktop shows a notification.
enum class NotificationUrgency {
    Low = 0,
    Normal = 1,
    Critical = 2,
};

// Title and body are plain text; a centre whose desktop renders markup escapes them.
struct NotificationContent {
    QString title;
    QString body;
    bool playsSound = false; // the desktop's default notification sound
    NotificationUrgency urgency = NotificationUrgency::Normal;
    QString categoryIdentifier;
    QVariantMap userInfo; // handed back with every response
};

struct NotificationRequest {
    QString identifier;
    NotificationContent content;
};

// A button the user pressed, or the notification clicked ("default").
struct NotificationResponse {
    QString actionIdentifier;
    QString requestIdentifier;
    QVariantMap userInfo;
};

struct NotificationPresentation {
    bool badge = false;
    bool sound = false;
    bool alert = false;
};

// Receives what the user does with Ostrel's notifications. Holders keep it as a WeakRef.
class UserNotificationCenterDelegate : public LifetimeTracked {
public:
    // Asked before a notification is shown while Ostrel is the application in front.
    virtual NotificationPresentation
    willPresentNotification(const NotificationRequest& request) = 0;
    virtual void didReceiveNotificationResponse(const NotificationResponse& response) = 0;

protected:
    ~UserNotificationCenterDelegate() = default;
};

// The desktop's user notifications. Every completion runs later on the main thread, never
// inside the call that asked for it, and at most once.
class UserNotificationCenter {
public:
    using SettingsCompletion = std::function<void(const NotificationSettings& settings)>;
    using AuthorizationCompletion =
        std::function<void(bool granted, const std::optional<QString>& error)>;
    using AddCompletion = std::function<void(const std::optional<QString>& error)>;

    virtual ~UserNotificationCenter() = default;

    WeakRef<UserNotificationCenterDelegate> delegate;

    virtual void getNotificationSettings(SettingsCompletion completion) = 0;
    // For alerts, sounds and badges.
    virtual void requestAuthorization(AuthorizationCompletion completion) = 0;
    // Replaces the whole registered set.
    virtual void setNotificationCategories(const QList<NotificationCategory>& categories) = 0;
    virtual void addNotificationRequest(const NotificationRequest& request,
                                        AddCompletion completion) = 0;
};

} // namespace ostrel
