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

// ":1" or "wayland-0" as the last element of a bus name, an object path or the lock file's
// name, after `separator`: letters, digits and '_', never a digit first. Without a session,
// nothing is added.
QString sessionSuffix(const QString& session, QChar separator) {
    if (session.isEmpty()) {
        return {};
    }
    QString suffix = separator + QStringLiteral("session_");
    for (const QChar c : session) {
        suffix += c.isLetterOrNumber() && c.unicode() < 128 ? c : QLatin1Char('_');
    }
    return suffix;
}

} // namespace

SessionSingleInstance::SessionSingleInstance(const QString& lockFolder, const QString& session)
    : serviceName_(kBundleIdentifier + sessionSuffix(session, QLatin1Char('.'))),
      objectPath_(kObjectPath + sessionSuffix(session, QLatin1Char('/'))),
      lock_(QDir(lockFolder)
                .filePath(QStringLiteral("ostrel") + sessionSuffix(session, QLatin1Char('-')) +
                          QStringLiteral(".lock"))) {
    // Never treat a live holder's lock as stale, however long it has been held.
    lock_.setStaleLockTime(0);
}

SessionSingleInstance::~SessionSingleInstance() {
    if (adaptor_) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(objectPath_);
        bus.unregisterService(serviceName_);
    }
}

QString SessionSingleInstance::currentSession() {
    for (const char* variable : {"XDG_SESSION_ID", "WAYLAND_DISPLAY", "DISPLAY"}) {
        if (const QString value = qEnvironmentVariable(variable); !value.isEmpty()) {
            return value;
        }
    }
    return {};
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
    if (!bus.registerService(serviceName_) ||
        !bus.registerObject(objectPath_, adaptor_.get(), QDBusConnection::ExportScriptableSlots)) {
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
    QDBusMessage call = QDBusMessage::createMethodCall(serviceName_, objectPath_, kInterface,
                                                       QStringLiteral("ShowDashboard"));
    const QDBusMessage reply = bus.call(call, QDBus::Block, 2000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace ostrel
