#pragma once

#include <QString>

namespace ostrel {

// Which Qt platform Ostrel asks for, decided before the Qt application exists. Ostrel must
// keep monitoring on a machine without a display, so the desktop's platform is always
// followed by the offscreen one, which Qt takes when the first cannot connect.
struct GuiPlatformChoice {
    QString platformList; // value for QT_QPA_PLATFORM; empty: leave the user's choice alone
};

GuiPlatformChoice chooseGuiPlatform(const QString& requestedPlatform, const QString& x11Display,
                                    const QString& waylandDisplay);

// The one line that says the desktop could not be reached; empty when it was.
QString offscreenFallbackLine(const GuiPlatformChoice& choice, const QString& platformInUse);

} // namespace ostrel
