// Draws the settings window and each step of the setup assistant into PNG files, on fakes
// and a throw-away preferences file, so they can be looked at without a desktop.

#include "app/OnboardingWindow.h"
#include "app/SettingsWindow.h"
#include "support/FakePlatform.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

using namespace ostrel;

namespace {

bool save(QWidget& widget, const QString& folder, const QString& name) {
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(OSTREL_SCREENSHOTS_DIR);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "could not create %s\n", qPrintable(folder));
        return 1;
    }
    QTemporaryDir scratch;
    QSettings preferences(scratch.filePath("Ostrel.conf"), QSettings::IniFormat);
    FakePlatform fakes;
    ManualRunLoop& loop = fakes.loop;
    bool saved = true;

    {
        ActivityLogger logger(scratch.filePath("Ostrel"), scratch.filePath("Desktop"), loop,
                              nullptr);
        preferences.setValue(QStringLiteral("OstrelAutoStartMonitoring"), true);
        preferences.setValue(QStringLiteral("OstrelLogRetentionPeriod"), QStringLiteral("1w"));
        SettingsWindow settings(
            {preferences, fakes.startAtLogin, logger, AppVersionInfo::current()});
        settings.show();
        saved &= save(settings, folder, QStringLiteral("settings"));
    }

    // One of each kind of step: microphone to be asked for, camera out of reach, notifications
    // allowed.
    fakes.audio.authorization = AuthorizationStatus::NotDetermined;
    fakes.cameras.authorization = AuthorizationStatus::Denied;
    OnboardingManager manager(preferences, AppVersionInfo::current());
    OnboardingWindow onboarding(
        {fakes.cameras, fakes.audio, fakes.userNotifications, fakes.desktopSettings, loop},
        manager);
    onboarding.show();
    OnboardingFlow& flow = onboarding.view()->flow();
    flow.readPermissionStatuses();
    loop.runPending();
    const QStringList names{"welcome",       "how-it-works", "microphone", "camera",
                            "notifications", "tray",         "complete"};
    for (int step = 0; step < OnboardingFlow::totalSteps; ++step) {
        saved &=
            save(onboarding, folder, QStringLiteral("onboarding-%1-%2").arg(step).arg(names[step]));
        if (step < OnboardingFlow::totalSteps - 1) {
            flow.nextStep();
        }
    }
    return saved ? 0 : 1;
}
