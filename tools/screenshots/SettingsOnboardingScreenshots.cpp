// Draws Ostrel's main window, the settings window with the question a shorter retention
// period asks, and each step of the setup assistant into PNG files, on fakes and a throw-away
// preferences file, so they can be looked at without a desktop.

#include "ScreenshotFolder.h"
#include "app/MainWindow.h"
#include "app/OnboardingWindow.h"
#include "app/SettingsWindow.h"
#include "support/FakePlatform.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QTemporaryDir>
#include <QTimer>

using namespace ostrel;

int main(int argc, char** argv) {
    const ScreenshotFolder folder(argc, argv);
    QApplication application(argc, argv);
    if (!folder.create()) {
        return 1;
    }
    QTemporaryDir scratch;
    QSettings preferences(scratch.filePath("Ostrel.conf"), QSettings::IniFormat);
    FakePlatform fakes;
    ManualRunLoop& loop = fakes.loop;
    bool saved = true;

    {
        // Monitoring, with the camera in use.
        MainWindow window;
        StatusMenuModel menu = StatusMenuModel::build(true);
        menu.updateStatusLines(true, false);
        window.setMenu(menu);
        window.setIcon(true);
        saved &= folder.save(window, QStringLiteral("main-window"));
    }
    {
        ActivityLogger logger(scratch.filePath("Ostrel"), scratch.filePath("Desktop"), loop,
                              nullptr);
        logger.setRetentionPeriod(LogRetentionPeriod::oneWeek);
        logger.startLogging();
        // Six days of use, two changes a day.
        for (int day = 6; day >= 1; --day) {
            for (const bool active : {true, false}) {
                loop.stepWallClock(-day * 86400.0);
                logger.logActivity(DeviceType::Camera, QStringLiteral("zoom.us"), std::nullopt,
                                   700 + day, active);
                loop.runPending();
                loop.stepWallClock(day * 86400.0);
            }
        }
        preferences.setValue(QStringLiteral("OstrelAutoStartMonitoring"), true);
        preferences.setValue(QStringLiteral("OstrelLogRetentionPeriod"), QStringLiteral("1w"));
        SettingsWindow settings(
            {preferences, fakes.startAtLogin, logger, AppVersionInfo::current()});
        settings.show();
        saved &= folder.save(settings, QStringLiteral("settings"));
        // The question is modal: it is drawn, then declined, from inside its own loop.
        QTimer::singleShot(0, [&] {
            auto* question = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            saved &=
                question && folder.save(*question, QStringLiteral("settings-retention-question"));
            if (question) {
                question->reject();
            }
        });
        QComboBox* selector = settings.view()->retentionSelector();
        selector->setCurrentIndex(selector->findText(QStringLiteral("Last 24 Hours")));
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
            folder.save(onboarding, QStringLiteral("onboarding-%1-%2").arg(step).arg(names[step]));
        if (step < OnboardingFlow::totalSteps - 1) {
            flow.nextStep();
        }
    }
    return saved ? 0 : 1;
}
