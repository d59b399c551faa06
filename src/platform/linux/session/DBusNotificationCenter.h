#pragma once

#include "platform/UserNotificationCenter.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QObject>
#include <deque>
#include <functional>
#include <optional>

namespace ostrel {

// User notifications through the desktop's notification server (org.freedesktop.Notifications
// on the session bus). Categories stay on Ostrel's side: each notification carries the
// actions of its category, plus "default" for a click on the notification itself. The user
// info stays here too, and a response to a notification Ostrel posted hands it back.
//
// Authorization: authorized while the server answers GetServerInformation, denied (and
// reported as no server) otherwise, asked afresh each time. Every call is asynchronous with a
// short timeout, so a hung server never blocks Ostrel.
//
// A notification belongs to the server that answered its Notify, and its id means something
// only to that server: one that restarts counts from 1 again. So a button press is matched
// by id and by the sender's unique bus name, and a change of owner of the server's name
// forgets every notification of the previous owner.
class DBusNotificationCenter final : public QObject, public UserNotificationCenter {
    Q_OBJECT

public:
    // Answers whether Ostrel is the application in front; the delegate is asked how to
    // present a notification only then.
    using FrontmostQuery = std::function<bool()>;

    static constexpr int callTimeoutMs = 2000;
    // Notifications whose responses are still awaited; the oldest are forgotten beyond it.
    static constexpr int rememberedNotificationLimit = 100;
    static inline const QString appName = QStringLiteral("Ostrel");
    static inline const QString appIcon = QStringLiteral("io.github.Ostrel");
    static inline const QString desktopEntry = QStringLiteral("io.github.Ostrel");
    static inline const QString soundName = QStringLiteral("message-new-instant");

    explicit DBusNotificationCenter(QDBusConnection bus, FrontmostQuery isFrontmost = {},
                                    QObject* parent = nullptr);
    ~DBusNotificationCenter() override;

    void getNotificationSettings(SettingsCompletion completion) override;
    void requestAuthorization(AuthorizationCompletion completion) override;
    void setNotificationCategories(const QList<NotificationCategory>& categories) override;
    void addNotificationRequest(const NotificationRequest& request,
                                AddCompletion completion) override;

    // The text with &, <, >, " and ' as entities (&apos;, which every markup parser knows): servers
    // render a subset of markup in the body, and names of other programs must show as they are.
    static QString escapedMarkup(const QString& text);

private slots:
    void actionInvoked(uint id, const QString& actionKey, const QDBusMessage& message);
    void notificationClosed(uint id, uint reason, const QDBusMessage& message);
    void serverOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

private:
    using ReplyHandler = std::function<void(const QDBusMessage& reply)>;
    // The error of a server that does not answer; nothing when it does.
    using ServerHandler = std::function<void(const std::optional<QString>& error)>;

    void call(const QString& method, const QVariantList& arguments, ReplyHandler handler);
    // GetServerInformation and, when it answers, GetCapabilities.
    void askServer(ServerHandler handler);
    void noteServerAnswer(const QDBusMessage& reply);
    void rememberDelivered(uint id, const QString& owner, const NotificationRequest& request);

    QDBusConnection bus_;
    FrontmostQuery isFrontmost_;
    bool listening_ = false;
    QHash<QString, NotificationCategory> categories_;
    // The server's last list of capabilities; nothing until it answered.
    std::optional<QStringList> capabilities_;
    std::optional<bool> serverAnswered_; // the last answer, to log only its changes
    struct Delivered {
        uint id;
        QString owner; // the unique bus name of the server that showed it
        NotificationRequest request;
    };
    std::deque<Delivered> delivered_;
};

} // namespace ostrel
