#include "app/GuiPlatformSelection.h"

namespace ostrel {

GuiPlatformChoice chooseGuiPlatform(const QString& requestedPlatform, const QString& x11Display,
                                    const QString& waylandDisplay) {
    if (!requestedPlatform.isEmpty()) {
        return {};
    }
    if (!waylandDisplay.isEmpty()) {
        // XWayland is the second choice for a Wayland session whose compositor refuses us.
        return {x11Display.isEmpty() ? QStringLiteral("wayland;offscreen")
                                     : QStringLiteral("wayland;xcb;offscreen")};
    }
    if (!x11Display.isEmpty()) {
        return {QStringLiteral("xcb;offscreen")};
    }
    return {QStringLiteral("offscreen")};
}

QString offscreenFallbackLine(const GuiPlatformChoice& choice, const QString& platformInUse) {
    if (choice.platformList.isEmpty() || platformInUse != QStringLiteral("offscreen")) {
        return {};
    }
    return QStringLiteral(
        "🖥️ [Ostrel] No display could be reached; running offscreen without a "
        "tray icon, monitoring continues");
}

} // namespace ostrel
