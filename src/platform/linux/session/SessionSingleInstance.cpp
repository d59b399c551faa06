#include "platform/linux/session/SessionSingleInstance.h"

#include "base/Log.h"
#include "base/ProductIdentity.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>

namespace ostrel {

namespace {

const QString kObjectPath = QStringLiteral("/io/github/Ostrel");
const QString kInterface = QStringLiteral("io.github.Ostrel");

} // namespace

SessionSingleInstance::SessionSingleInstance(const QString& lockFolder)
    : lock_(QDir(lockFolder).filePath(QStringLiteral("ostrel.lock"))) {
    // Never treat a live holder's lock as stale, however long it has been held.
    lock_.setStaleLockTime(0);
}

SessionSingleInstance::~SessionSingleInstance() {
    if (adaptor_) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(kObjectPath);
        bus.unregisterService(kBundleIdentifier);
    }
}

bool SessionSingleInstance::acquire() {
    QDir().mkpath(QFileInfo(lock_.fileName()).absolutePath());
    if (lock_.tryLock(0)) {
        return true;
    }
    if (lock_.error() != QLockFile::LockFailedError) {
        // An unwritable runtime folder must not keep the user's only Ostrel from running.
        logLine(QStringLiteral("⚠️ [Ostrel] Cannot take the session lock %1; running anyway")
                    .arg(lock_.fileName()));
        return true;
    }
    return false;
}

void SessionSingleInstance::listenForActivation(std::function<void()> show) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    adaptor_ = std::make_unique<SessionActivationAdaptor>(std::move(show));
    if (!bus.registerService(kBundleIdentifier) ||
        !bus.registerObject(kObjectPath, adaptor_.get(), QDBusConnection::ExportScriptableSlots)) {
        logLine(QStringLiteral("⚠️ [Ostrel] A second launch cannot reach this one over the "
                               "session bus: ") +
                bus.lastError().message());
    }
}

bool SessionSingleInstance::askRunningInstanceToShow() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kBundleIdentifier, kObjectPath, kInterface,
                                                       QStringLiteral("ShowDashboard"));
    const QDBusMessage reply = bus.call(call, QDBus::Block, 2000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace ostrel
