#include "Version.h"
#include "app/GuiPlatformSelection.h"
#include "detection/ProductIdentity.h"
#include "platform/Log.h"
#include "platform/linux/UnixSignalQuitter.h"

#include <QApplication>

using namespace ostrel;

int main(int argc, char** argv) {
    const GuiPlatformChoice platform =
        chooseGuiPlatform(qEnvironmentVariable("QT_QPA_PLATFORM"), qEnvironmentVariable("DISPLAY"),
                          qEnvironmentVariable("WAYLAND_DISPLAY"));
    if (!platform.platformList.isEmpty()) {
        qputenv("QT_QPA_PLATFORM", platform.platformList.toUtf8());
    }

    QApplication application(argc, argv);
    QApplication::setOrganizationName(kProductName);
    QApplication::setApplicationName(kProductName);
    QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    // A tray application has no main window; closing its last window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    logLine(QStringLiteral("🚀 [Ostrel] Ostrel %1 (build %2) starting, pid %3")
                .arg(QString::fromLatin1(kVersion), QString::fromLatin1(kBuildNumber))
                .arg(QApplication::applicationPid()));
    if (const QString line = offscreenFallbackLine(platform, QApplication::platformName());
        !line.isEmpty()) {
        logLine(line);
    }

    UnixSignalQuitter quitter([](const QString& signalName) {
        logLine(QStringLiteral("👋 [Ostrel] Received %1, shutting down").arg(signalName));
        QCoreApplication::quit();
    });

    return QApplication::exec();
}
