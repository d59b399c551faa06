#include "platform/linux/session/LogindSleepWatcher.h"

#include "base/Log.h"

#include <QDBusConnectionInterface>

namespace ostrel {
namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSignal = QStringLiteral("PrepareForSleep");

} // namespace

LogindSleepWatcher::LogindSleepWatcher(QDBusConnection bus, Handler handler)
    : bus_(std::move(bus)), handler_(std::move(handler)) {
    if (!bus_.isConnected()) {
        logLine(
            QStringLiteral("ℹ️ [RunningApplications] No system bus: sleep and wake will not "
                           "be reported"));
        return;
    }
    listening_ =
        bus_.connect(kService, kPath, kInterface, kSignal, this, SLOT(prepareForSleep(bool)));
    if (!listening_) {
        logLine(QStringLiteral("⚠️ [RunningApplications] Cannot listen to logind: sleep and "
                               "wake will not be reported"));
    } else if (QDBusConnectionInterface* daemon = bus_.interface();
               daemon && !daemon->isServiceRegistered(kService).value()) {
        // Kept listening: logind may still start.
        logLine(
            QStringLiteral("ℹ️ [RunningApplications] logind is not on the system bus: sleep "
                           "and wake will not be reported until it is"));
    }
}

LogindSleepWatcher::~LogindSleepWatcher() {
    if (listening_) {
        bus_.disconnect(kService, kPath, kInterface, kSignal, this, SLOT(prepareForSleep(bool)));
    }
}

void LogindSleepWatcher::prepareForSleep(bool goingToSleep) {
    handler_(goingToSleep);
}

} // namespace ostrel
