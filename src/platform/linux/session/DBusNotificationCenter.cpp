#include "platform/linux/session/DBusNotificationCenter.h"

#include "base/Log.h"

#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <algorithm>

namespace ostrel {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");

QString errorText(const QDBusMessage& reply) {
    return reply.errorName() + QStringLiteral(": ") + reply.errorMessage();
}

} // namespace

DBusNotificationCenter::DBusNotificationCenter(QDBusConnection bus, FrontmostQuery isFrontmost,
                                               QObject* parent)
    : QObject(parent), bus_(std::move(bus)), isFrontmost_(std::move(isFrontmost)) {
    if (!bus_.isConnected()) {
        logLine(
            QStringLiteral("⚠️ [Notifications] No session bus: notifications cannot be shown"));
        return;
    }
    // Naming the service means only its owner is heard: no other program on the bus can
    // press a button for the user.
    listening_ = bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                              SLOT(actionInvoked(uint, QString, QDBusMessage))) &&
                 bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"),
                              this, SLOT(notificationClosed(uint, uint, QDBusMessage)));
    if (!listening_) {
        logLine(QStringLiteral("⚠️ [Notifications] Cannot listen to the notification server: "
                               "buttons pressed in notifications will not be heard"));
    }
    auto* watcher =
        new QDBusServiceWatcher(kService, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &DBusNotificationCenter::serverOwnerChanged);
}

DBusNotificationCenter::~DBusNotificationCenter() {
    if (listening_) {
        bus_.disconnect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                        SLOT(actionInvoked(uint, QString, QDBusMessage)));
        bus_.disconnect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                        SLOT(notificationClosed(uint, uint, QDBusMessage)));
    }
}

QString DBusNotificationCenter::escapedMarkup(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            escaped += QStringLiteral("&amp;");
            break;
        case '<':
            escaped += QStringLiteral("&lt;");
            break;
        case '>':
            escaped += QStringLiteral("&gt;");
            break;
        case '"':
            escaped += QStringLiteral("&quot;");
            break;
        case '\'':
            escaped += QStringLiteral("&apos;");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

void DBusNotificationCenter::call(const QString& method, const QVariantList& arguments,
                                  ReplyHandler handler) {
    if (!bus_.isConnected()) {
        QMetaObject::invokeMethod(
            this,
            [handler = std::move(handler)] {
                handler(QDBusMessage::createError(QDBusError::Disconnected,
                                                  QStringLiteral("no session bus")));
            },
            Qt::QueuedConnection);
        return;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [watcher, handler = std::move(handler)] {
                watcher->deleteLater();
                handler(watcher->reply());
            });
}

void DBusNotificationCenter::askServer(ServerHandler handler) {
    call(QStringLiteral("GetServerInformation"), {},
         [this, handler = std::move(handler)](const QDBusMessage& information) {
             noteServerAnswer(information);
             if (information.type() != QDBusMessage::ReplyMessage) {
                 handler(errorText(information));
                 return;
             }
             call(QStringLiteral("GetCapabilities"), {},
                  [this, handler](const QDBusMessage& capabilities) {
                      const QVariantList values = capabilities.arguments();
                      if (capabilities.type() == QDBusMessage::ReplyMessage && !values.isEmpty() &&
                          values.first().metaType().id() == QMetaType::QStringList) {
                          capabilities_ = values.first().toStringList();
                      }
                      handler(std::nullopt);
                  });
         });
}

void DBusNotificationCenter::noteServerAnswer(const QDBusMessage& reply) {
    const bool answered = reply.type() == QDBusMessage::ReplyMessage;
    if (serverAnswered_ == answered) {
        return;
    }
    serverAnswered_ = answered;
    if (answered) {
        const QVariantList values = reply.arguments();
        logLine(QStringLiteral("✅ [Notifications] Notification server: %1 %2")
                    .arg(values.value(0).toString(), values.value(2).toString()));
    } else {
        logLine(QStringLiteral("⚠️ [Notifications] The notification server does not answer: ") +
                errorText(reply));
    }
}

void DBusNotificationCenter::getNotificationSettings(SettingsCompletion completion) {
    askServer([this, completion = std::move(completion)](const std::optional<QString>& error) {
        NotificationSettings settings;
        if (error) {
            settings.authorizationStatus = NotificationAuthorizationStatus::Denied;
            settings.serverAvailable = false;
        } else {
            settings.authorizationStatus = NotificationAuthorizationStatus::Authorized;
            settings.alertSetting = NotificationSetting::Enabled;
            settings.soundSetting =
                capabilities_ && capabilities_->contains(QStringLiteral("sound"))
                    ? NotificationSetting::Enabled
                    : NotificationSetting::NotSupported;
        }
        completion(settings);
    });
}

void DBusNotificationCenter::requestAuthorization(AuthorizationCompletion completion) {
    // There is nothing to grant: a server that exists shows Ostrel's notifications.
    askServer([completion = std::move(completion)](const std::optional<QString>& error) {
        completion(!error, error);
    });
}

void DBusNotificationCenter::setNotificationCategories(
    const QList<NotificationCategory>& categories) {
    categories_.clear();
    for (const NotificationCategory& category : categories) {
        categories_.insert(category.identifier, category);
    }
}

void DBusNotificationCenter::addNotificationRequest(const NotificationRequest& request,
                                                    AddCompletion completion) {
    bool playsSound = request.content.playsSound;
    if (UserNotificationCenterDelegate* receiver = delegate.get();
        receiver && isFrontmost_ && isFrontmost_()) {
        const NotificationPresentation presentation = receiver->willPresentNotification(request);
        if (!presentation.alert) {
            QMetaObject::invokeMethod(
                this, [completion = std::move(completion)] { completion(std::nullopt); },
                Qt::QueuedConnection);
            return;
        }
        playsSound = playsSound && presentation.sound;
    }

    QStringList actions;
    for (const NotificationAction& action :
         categories_.value(request.content.categoryIdentifier).actions) {
        actions << action.identifier << action.title;
    }
    actions << kDefaultAction << QString();

    // A server that does not say it renders markup shows the body as it is; while its answer
    // is unknown, escaping is the safe side.
    const bool rendersMarkup =
        !capabilities_ || capabilities_->contains(QStringLiteral("body-markup"));
    const QString body = rendersMarkup ? escapedMarkup(request.content.body) : request.content.body;

    QVariantMap hints{
        {QStringLiteral("category"), QStringLiteral("device")},
        {QStringLiteral("desktop-entry"), desktopEntry},
        {QStringLiteral("urgency"), QVariant::fromValue(uchar(request.content.urgency))}};
    if (playsSound) {
        hints.insert(QStringLiteral("sound-name"), soundName);
    } else {
        hints.insert(QStringLiteral("suppress-sound"), true);
    }

    call(QStringLiteral("Notify"),
         {appName, uint(0), appIcon, request.content.title, body, actions, hints, qint32(-1)},
         [this, request, completion = std::move(completion)](const QDBusMessage& reply) {
             const QVariantList values = reply.arguments();
             if (reply.type() != QDBusMessage::ReplyMessage) {
                 completion(errorText(reply));
             } else if (values.isEmpty() || values.first().metaType().id() != QMetaType::UInt) {
                 completion(QStringLiteral("the notification server answered without an id"));
             } else {
                 rememberDelivered(values.first().toUInt(), reply.service(), request);
                 completion(std::nullopt);
             }
         });
}

void DBusNotificationCenter::rememberDelivered(uint id, const QString& owner,
                                               const NotificationRequest& request) {
    delivered_.push_back({id, owner, request});
    while (delivered_.size() > size_t(rememberedNotificationLimit)) {
        delivered_.pop_front();
    }
}

void DBusNotificationCenter::actionInvoked(uint id, const QString& actionKey,
                                           const QDBusMessage& message) {
    // The signal reaches every listener: ids Ostrel did not post belong to other programs,
    // and an id an earlier server gave belongs to nothing now.
    const auto found =
        std::find_if(delivered_.begin(), delivered_.end(), [&](const Delivered& entry) {
            return entry.id == id && entry.owner == message.service();
        });
    if (found == delivered_.end()) {
        return;
    }
    const NotificationResponse response{actionKey, found->request.identifier,
                                        found->request.content.userInfo};
    if (UserNotificationCenterDelegate* receiver = delegate.get()) {
        receiver->didReceiveNotificationResponse(response);
    }
}

void DBusNotificationCenter::notificationClosed(uint id, uint, const QDBusMessage& message) {
    std::erase_if(delivered_, [&](const Delivered& entry) {
        return entry.id == id && entry.owner == message.service();
    });
}

void DBusNotificationCenter::serverOwnerChanged(const QString&, const QString&,
                                                const QString& newOwner) {
    const size_t forgotten =
        std::erase_if(delivered_, [&](const Delivered& entry) { return entry.owner != newOwner; });
    if (forgotten > 0) {
        logLine(QStringLiteral("ℹ️ [Notifications] The notification server changed: the "
                               "buttons of %1 earlier notifications no longer answer")
                    .arg(forgotten));
    }
}

} // namespace ostrel
