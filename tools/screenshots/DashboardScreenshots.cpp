// Draws the dashboard with both lists filled and with both empty, on fakes and a throw-away
// preferences file, so it can be looked at without a desktop.

#include "ScreenshotFolder.h"
#include "alerts/AllowedAppsManager.h"
#include "dashboard/FakeDeviceActivitySource.h"
#include "dashboard/PrivacyMonitorView.h"
#include "support/FakePlatform.h"

#include <QApplication>
#include <QTemporaryDir>

using namespace ostrel;

namespace {

struct Machine : FakePlatform {
    FakeDeviceActivitySource source;

    ProcessInfo process(qint32 pid, const QString& name) {
        processControl.startTimes.insert(pid, quint64(pid));
        processes.names.insert(pid, name);
        return {pid, name, std::nullopt, std::nullopt};
    }
    // One process uses the camera for a while, then stops.
    void session(qint32 pid, const QString& name, double seconds, bool microphone) {
        source.camera = !microphone;
        source.microphone = microphone;
        (microphone ? source.microphoneHolder : source.cameraHolder) = process(pid, name);
        loop.advance(seconds);
        source.camera = source.microphone = false;
        source.cameraHolder.reset();
        source.microphoneHolder.reset();
        loop.advance(2.0);
    }
};

} // namespace

int main(int argc, char** argv) {
    const ScreenshotFolder folder(argc, argv);
    QApplication application(argc, argv);
    if (!folder.create()) {
        return 1;
    }
    QTemporaryDir preferencesDir;
    bool saved = true;

    {
        QSettings settings(preferencesDir.filePath(QStringLiteral("empty.ini")),
                           QSettings::IniFormat);
        AllowedAppsManager allowedApps(settings);
        Machine machine;
        PrivacyMonitorView view({machine.loop, &machine.source, machine.processControl,
                                 machine.processes, machine.applications, settings},
                                allowedApps);
        view.resize(800, 650);
        view.show();
        saved &= folder.save(view, QStringLiteral("dashboard-active-empty"));
        view.selectSection(PrivacyMonitorView::MonitorSection::RecentActivity);
        saved &= folder.save(view, QStringLiteral("dashboard-recent-empty"));
    }
    {
        QSettings settings(preferencesDir.filePath(QStringLiteral("filled.ini")),
                           QSettings::IniFormat);
        AllowedAppsManager allowedApps(settings);
        allowedApps.addApp(QStringLiteral("zoom.us"), QStringLiteral("Camera"));
        Machine machine;
        PrivacyMonitorView view({machine.loop, &machine.source, machine.processControl,
                                 machine.processes, machine.applications, settings},
                                allowedApps);
        view.resize(800, 650);
        machine.session(701, QStringLiteral("Zoom"), 184, false);
        machine.session(702, QStringLiteral("Discord"), 62, true);
        machine.session(703, QStringLiteral("obs"), 600, false);
        machine.loop.advance(3600);

        machine.source.camera = machine.source.microphone = true;
        machine.source.cameraHolder = machine.process(801, QStringLiteral("zoom.us"));
        machine.source.microphoneHolder = machine.process(802, QStringLiteral("cheese"));
        machine.source.cameraSince = machine.loop.monotonicNow();
        view.show();
        machine.loop.advance(75);
        view.viewModel().blockProcess(802);
        machine.loop.advance(1);
        saved &= folder.save(view, QStringLiteral("dashboard-active"));
        view.selectSection(PrivacyMonitorView::MonitorSection::RecentActivity);
        saved &= folder.save(view, QStringLiteral("dashboard-recent"));
    }
    return saved ? 0 : 1;
}
