#pragma once

#include <QDBusServiceWatcher>
#include <QTimer>
#include <functional>

namespace ostrel {

// Whether the desktop shows tray icons now, checked again whenever a tray host comes or goes:
// a StatusNotifier watcher gaining or losing its owner on the session bus, or under X11 a new
// owner of the XEmbed tray selection (_NET_SYSTEM_TRAY_S<screen>).
class TrayAvailability {
public:
    // `askQt` answers whether Qt can show a tray icon now (QSystemTrayIcon's own check).
    explicit TrayAvailability(std::function<bool()> askQt);

    bool isAvailable() const;
    // Called from the event loop after a tray host came, went or was replaced; several changes
    // in a row make one call.
    std::function<void()> onHostChanged;

    static inline const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

private:
    std::function<bool()> askQt_;
    QDBusServiceWatcher busWatcher_;
    // Whether a StatusNotifier watcher owns its name on the session bus.
    bool watcherOnBus_ = false;
    QTimer recheck_;
};

} // namespace ostrel
