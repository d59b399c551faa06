// Renders the activity log and allowed applications windows, populated and empty, into PNG
// files for review: activity-log.png, activity-log-empty.png, allowed-apps.png and
// allowed-apps-empty.png. Usage: log_and_allowed_windows_screenshots [output folder]

#include "ScreenshotFolder.h"
#include "activitylog/ActivityLogWindow.h"
#include "alerts/AllowedAppsWindow.h"
#include "base/Log.h"
#include "support/FakeAlertPresenter.h"
#include "support/FakeApplicationDescriber.h"
#include "support/FakeCheckboxAlertPresenter.h"
#include "support/FakeFileBrowser.h"
#include "support/FakeFileChooser.h"
#include "support/ManualRunLoop.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QToolButton>

using namespace ostrel;

namespace {

bool activityLogShots(const ScreenshotFolder& folder) {
    QTemporaryDir root;
    ManualRunLoop loop(QDateTime(QDate(2026, 3, 14), QTime(9, 30), Qt::UTC));
    ActivityLogger logger(root.filePath("Ostrel"), root.filePath("Desktop"), loop, nullptr);
    FakeFileBrowser browser;
    FakeAlertPresenter alerts;
    const ActivityLogViewEnvironment environment{logger, loop, browser, alerts};

    ActivityLogWindow empty(environment);
    bool ok = folder.save(empty, QStringLiteral("activity-log-empty"));

    struct Sample {
        DeviceType device;
        const char* name;
        const char* path;
        qint64 pid;
    };
    const Sample samples[] = {
        {DeviceType::Camera, "cheese", "/usr/bin/cheese", 2311},
        {DeviceType::Microphone, "firefox", "/usr/lib/firefox/firefox", 4120},
        {DeviceType::Camera, "zoom", "/opt/zoom/zoom", 5230},
        {DeviceType::Microphone, "zoom", "/opt/zoom/zoom", 5230},
        {DeviceType::Microphone, "Unknown", nullptr, -1},
        {DeviceType::Camera, "obs", "/usr/bin/obs", 6622},
    };
    logger.startLogging();
    for (const bool active : {true, false}) {
        for (const Sample& sample : samples) {
            logger.logActivity(sample.device, QString::fromUtf8(sample.name),
                               sample.path ? std::optional(QString::fromUtf8(sample.path))
                                           : std::nullopt,
                               sample.pid, active);
            loop.advance(97);
        }
    }
    logger.logActivity(DeviceType::Microphone, QStringLiteral("arecord"), std::nullopt, 7001, true);
    loop.advance(1);

    ActivityLogWindow populated(environment);
    populated.view()->setShowingDebugInfo(true);
    ok = folder.save(populated, QStringLiteral("activity-log")) && ok;
    return ok;
}

bool allowedAppsShots(const ScreenshotFolder& folder) {
    QTemporaryDir root;
    QSettings settings(root.filePath("Ostrel.conf"), QSettings::IniFormat);
    AllowedAppsManager manager(settings,
                               [] { return QDateTime(QDate(2026, 3, 14), QTime(9, 30), Qt::UTC); });
    ManualRunLoop loop;
    FakeFileChooser chooser;
    FakeApplicationDescriber describer;
    FakeCheckboxAlertPresenter deviceSelection;
    FakeAlertPresenter alerts;
    const AllowedAppsViewEnvironment environment{manager,         loop,  chooser, describer,
                                                 deviceSelection, alerts};

    AllowedAppsWindow empty(environment);
    loop.runPending();
    bool ok = folder.save(empty, QStringLiteral("allowed-apps-empty"));

    manager.addApp(QStringLiteral("org.gnome.Cheese"), QStringLiteral("Cheese"),
                   QStringLiteral("Camera"));
    manager.addApp(QStringLiteral("org.gnome.Cheese"), QStringLiteral("Cheese"),
                   QStringLiteral("Microphone"));
    manager.addApp(QStringLiteral("zoom"), QStringLiteral("Camera"));
    manager.addApp(QStringLiteral("org.mozilla.firefox"), QStringLiteral("Firefox"),
                   QStringLiteral("Microphone"));
    AllowedAppsWindow populated(environment);
    loop.runPending();
    ok = folder.save(populated, QStringLiteral("allowed-apps")) && ok;
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    const ScreenshotFolder folder(argc, argv);
    QApplication application(argc, argv);
    if (!folder.create()) {
        return 1;
    }
    // Keep the output to the written paths.
    setLogSink([](const QString&) {});
    const bool ok = activityLogShots(folder) && allowedAppsShots(folder);
    return ok ? 0 : 1;
}
