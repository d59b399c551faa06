#include "support/NotificationServerStub.h"

#include <atomic>

namespace ostrel {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

QString uniqueConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("ostrel-test-notification-server-%1").arg(++counter);
}

} // namespace

std::vector<NotifyCall> NotificationServerObject::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

QString NotificationServerObject::GetServerInformation(QString& vendor, QString& version,
                                                       QString& specVersion) {
    vendor = QStringLiteral("Ostrel tests");
    version = QStringLiteral("1.0");
    specVersion = QStringLiteral("1.2");
    return QStringLiteral("stub-server");
}

QStringList NotificationServerObject::GetCapabilities() {
    return capabilities_;
}

uint NotificationServerObject::Notify(const QString& appName, uint replacesId,
                                      const QString& appIcon, const QString& summary,
                                      const QString& body, const QStringList& actions,
                                      const QVariantMap& hints, int expireTimeout) {
    std::lock_guard lock(mutex_);
    const uint id = nextId_++;
    calls_.push_back(
        {appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout, id});
    return id;
}

void NotificationServerObject::CloseNotification(uint id) {
    emit NotificationClosed(id, 3);
}

NotificationServerStub::NotificationServerStub(QStringList capabilities)
    : connectionName_(uniqueConnectionName()),
      server_(std::make_unique<NotificationServerObject>(std::move(capabilities))) {
    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_);
    // Registered before the move: registering gives the object helpers as children, which
    // move with it.
    registered_ = bus.isConnected() && bus.registerObject(kPath, server_.get(),
                                                          QDBusConnection::ExportAllSlots |
                                                              QDBusConnection::ExportAllSignals);
    thread_.start();
    server_->moveToThread(&thread_);
    registered_ = registered_ && bus.registerService(kService);
}

NotificationServerStub::~NotificationServerStub() {
    QDBusConnection bus(connectionName_);
    bus.unregisterService(kService);
    bus.unregisterObject(kPath);
    // Deleted in its own thread, as the bus relays its signals only from there, and before
    // the connection goes.
    server_.release()->deleteLater();
    thread_.quit();
    thread_.wait();
    QDBusConnection::disconnectFromBus(connectionName_);
}

void NotificationServerStub::sendActionInvoked(uint id, const QString& actionKey) {
    NotificationServerObject* server = server_.get();
    QMetaObject::invokeMethod(
        server, [server, id, actionKey] { emit server->ActionInvoked(id, actionKey); },
        Qt::QueuedConnection);
}

void NotificationServerStub::sendNotificationClosed(uint id, uint reason) {
    NotificationServerObject* server = server_.get();
    QMetaObject::invokeMethod(
        server, [server, id, reason] { emit server->NotificationClosed(id, reason); },
        Qt::QueuedConnection);
}

} // namespace ostrel
