#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QThread>
#include <QVariantMap>
#include <memory>
#include <mutex>
#include <vector>

namespace ostrel {

struct NotifyCall {
    QString appName;
    uint replacesId = 0;
    QString appIcon;
    QString summary;
    QString body;
    QStringList actions;
    QVariantMap hints;
    int expireTimeout = 0;
    uint id = 0;
};

// The object on the bus: answers the calls of org.freedesktop.Notifications and records
// every Notify.
class NotificationServerObject final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit NotificationServerObject(QStringList capabilities)
        : capabilities_(std::move(capabilities)) {}

    std::vector<NotifyCall> calls() const;

public slots:
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion);
    QStringList GetCapabilities();
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int expireTimeout);
    void CloseNotification(uint id);

signals:
    void ActionInvoked(uint id, const QString& actionKey);
    void NotificationClosed(uint id, uint reason);

private:
    const QStringList capabilities_;
    mutable std::mutex mutex_;
    std::vector<NotifyCall> calls_;
    uint nextId_ = 1;
};

// A notification server of the tests' own: it owns org.freedesktop.Notifications on the
// session bus for as long as it exists and sends the signals a real server sends. It answers
// from a thread of its own, so a test waiting for a reply never waits for itself.
class NotificationServerStub {
public:
    explicit NotificationServerStub(QStringList capabilities = {"actions", "body", "body-markup",
                                                                "sound"});
    ~NotificationServerStub();
    NotificationServerStub(const NotificationServerStub&) = delete;
    NotificationServerStub& operator=(const NotificationServerStub&) = delete;

    // False when the bus or the name was not available.
    bool isRegistered() const { return registered_; }
    std::vector<NotifyCall> calls() const { return server_->calls(); }

    void sendActionInvoked(uint id, const QString& actionKey);
    void sendNotificationClosed(uint id, uint reason);

private:
    const QString connectionName_;
    QThread thread_;
    std::unique_ptr<NotificationServerObject> server_;
    bool registered_ = false;
};

} // namespace ostrel
