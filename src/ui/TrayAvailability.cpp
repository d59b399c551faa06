#include "ui/TrayAvailability.h"

#include <QDBusConnectionInterface>
#include <QGuiApplication>

namespace ostrel {

namespace {

bool onX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

bool watcherOnBus() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() &&
           bus.interface()->isServiceRegistered(TrayAvailability::watcherService).value();
}

} // namespace

TrayAvailability::TrayAvailability(std::function<bool()> askQt)
    : askQt_(std::move(askQt)), busWatcher_(watcherService, QDBusConnection::sessionBus(),
                                            QDBusServiceWatcher::WatchForOwnerChange) {
    recheck_.setSingleShot(true);
    recheck_.setInterval(0);
    QObject::connect(&recheck_, &QTimer::timeout, [this] {
        if (onHostChanged) {
            onHostChanged();
        }
    });
    // Asked once; the watcher, already listening, tells every change after that.
    watcherOnBus_ = watcherOnBus();
    QObject::connect(&busWatcher_, &QDBusServiceWatcher::serviceOwnerChanged, &recheck_,
                     [this](const QString&, const QString&, const QString& newOwner) {
                         watcherOnBus_ = !newOwner.isEmpty();
                         recheck_.start();
                     });
    // Qt's X11 backend reports a new owner of the tray selection through its native interface,
    // a QObject (its only base) whose class Qt does not publish; the signal is looked up by name.
    if (onX11()) {
        auto* native = reinterpret_cast<QObject*>(QGuiApplication::platformNativeInterface());
        if (native &&
            native->metaObject()->indexOfSignal("systemTrayWindowChanged(QScreen*)") >= 0) {
            QObject::connect(native, SIGNAL(systemTrayWindowChanged(QScreen*)), &recheck_,
                             SLOT(start()));
        }
    }
}

bool TrayAvailability::isAvailable() const {
    // Qt settles at its first answer, once per process, whether it may use a StatusNotifier
    // host. So it is asked only once one is on the bus, or under X11, where its answer for the
    // XEmbed tray is found anew each time.
    return (onX11() || watcherOnBus_) && askQt_();
}

} // namespace ostrel
