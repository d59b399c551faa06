#pragma once

#include <QIcon>
#include <QString>

namespace ostrel {

// The one place that turns the symbol names the windows use ("eye.fill", "mic.fill",
// "video.fill", ...) into icons: the desktop's icon theme where it has a matching
// freedesktop name, else a plain icon of Qt's own, so no window is ever left without one.
class IconCatalogue {
public:
    static QIcon icon(const QString& symbolName);
    // The freedesktop icon-theme name for a symbol; empty when the catalogue has none.
    static QString themeName(const QString& symbolName);
    // Ostrel's own icon, for its windows.
    static QIcon ostrelIcon();
    // The tray icon, marked while a device is in use.
    static QIcon statusIcon(bool deviceActive);
};

} // namespace ostrel
