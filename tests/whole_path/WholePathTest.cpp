#include "app/AppDelegate.h"
#include "base/QtMainRunLoop.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/CapturedLog.h"
#include "support/FakeAlertPresenter.h"
#include "support/FakeStatusItem.h"
#include "support/NotificationServerStub.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

// Waiting here is for real programs and servers, bounded; nothing is asserted on time.
bool waitFor(const std::function<bool()>& done, int milliseconds = 15000) {
    const QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class WholePathTest : public testing::Test {
protected:
    // The pulse server Ostrel and the recorders use, and the source they record from.
    virtual QString soundServer() const { return qEnvironmentVariable("PULSE_SERVER"); }
    virtual QString recordedSource() const { return "ostrel_test_source"; }

    void SetUp() override {
        if (soundServer().isEmpty() || !server.isRegistered()) {
            GTEST_SKIP() << "needs the test sound server and session bus of scripts/test";
        }
        ASSERT_TRUE(QDir(root.path()).mkpath("dev"));
        QFile node(cameraNode());
        ASSERT_TRUE(node.open(QIODevice::WriteOnly));
        node.close();

        LinuxPlatformRoots roots;
        roots.dev = root.filePath("dev");
        roots.sys = root.filePath("sys");
        roots.useX11 = false;
        roots.useSystemBus = false;
        roots.runtime = root.filePath("runtime");
        roots.autostart = root.filePath("autostart");
        roots.soundServer = soundServer();
        desktop = std::make_unique<LinuxPlatform>(loop, roots);
        Platform& platform = desktop->platform();
        preferences =
            std::make_unique<QSettings>(root.filePath("Ostrel.conf"), QSettings::IniFormat);
        logger = std::make_unique<ActivityLogger>(root.filePath("data"), root.filePath("Desktop"),
                                                  loop, &platform.applications);
        allowedApps = std::make_unique<AllowedAppsManager>(*preferences);
        shell = std::make_unique<AppDelegate>(
            ShellEnvironment{AdvancedMonitorPlatform::from(platform, loop, notifications),
                             platform.userNotifications, platform.processControl, alerts,
                             platform.desktopSettings, statusItem, *preferences,
                             [this]() -> ActivityLogger& { return *logger; }, *allowedApps});
        shell->applicationDidFinishLaunching();
        ASSERT_TRUE(shell->isMonitoringActive());
    }

    void TearDown() override {
        for (QProcess* child : children) {
            child->kill();
            child->waitForFinished(5000);
            delete child;
        }
        if (shell) {
            shell->applicationWillTerminate();
        }
    }

    QString cameraNode() const { return root.filePath("dev/video0"); }

    QProcess* start(const QString& program, const QStringList& arguments) {
        auto* child = new QProcess;
        child->start(program, arguments);
        children.push_back(child);
        EXPECT_TRUE(child->waitForStarted(5000));
        return child;
    }

    void stop(QProcess* child) {
        child->terminate();
        child->waitForFinished(5000);
    }

    QProcess* record() {
        return start("/usr/bin/parecord",
                     {"--server=" + soundServer(), "--device=" + recordedSource(), "/dev/null"});
    }

    std::optional<NotifyCall> notificationContaining(const QString& text) const {
        for (const NotifyCall& call : server.calls()) {
            if (call.body.contains(text)) {
                return call;
            }
        }
        return std::nullopt;
    }

    bool logged(const QString& name, DeviceType device, bool isActive) const {
        for (const ActivityLogEntry& entry : logger->logs()) {
            if (entry.processName == name && entry.deviceType == device &&
                entry.isActive == isActive) {
                return true;
            }
        }
        return false;
    }

    CapturedLog log;
    QTemporaryDir root;
    QtMainRunLoop loop;
    NotificationServerStub server;
    EventBus notifications;
    FakeStatusItem statusItem;
    FakeAlertPresenter alerts;
    std::unique_ptr<LinuxPlatform> desktop;
    std::unique_ptr<QSettings> preferences;
    std::unique_ptr<ActivityLogger> logger;
    std::unique_ptr<AllowedAppsManager> allowedApps;
    std::unique_ptr<AppDelegate> shell;
    std::vector<QProcess*> children;
};

// The same desktop on PipeWire: its pulse server relays the recorder's stream.
class WholePathOnPipeWireTest : public WholePathTest {
protected:
    QString soundServer() const override {
        return qEnvironmentVariable("OSTREL_TEST_PIPEWIRE_PULSE");
    }
    QString recordedSource() const override { return "ostrel_pw_test_source"; }
};

} // namespace

TEST_F(WholePathOnPipeWireTest, ARelayedRecorderIsNamedWithItsOwnPid) {
    const qint64 pid = record()->processId();
    ASSERT_TRUE(waitFor([&] {
        return notificationContaining(
                   QStringLiteral("Microphone being accessed by parecord (PID: %1)").arg(pid))
            .has_value();
    })) << log.lines().join('\n').toStdString();
}

TEST_F(WholePathTest, RecordingIsNotifiedNamedAndLogged) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    QProcess* recorder = record();
    const QString expected = QStringLiteral("Microphone being accessed by parecord (PID: %1)")
                                 .arg(recorder->processId());
    ASSERT_TRUE(waitFor([&] { return notificationContaining(expected).has_value(); }))
        << log.lines().join('\n').toStdString();
    // Informational: the delay the closing note reports, measured over repeated runs.
    std::printf("recorder start to Notify: %lld ms\n",
                static_cast<long long>(sinceStart.elapsed()));
    EXPECT_EQ(server.calls().size(), 1u);
    EXPECT_EQ(notificationContaining(expected)->summary, "🔍 Ostrel Alert");

    stop(recorder);
    ASSERT_TRUE(waitFor([&] { return logged("parecord", DeviceType::Microphone, false); }));
    EXPECT_TRUE(logged("parecord", DeviceType::Microphone, true));

    // Quitting saves; both entries are on disk.
    shell->applicationWillTerminate();
    QFile file(logger->logFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray onDisk = file.readAll();
    EXPECT_EQ(onDisk.count("\"parecord\""), 2) << onDisk.toStdString();
}

TEST_F(WholePathTest, CameraHolderIsNamedInTheNotification) {
    // tail opens the node itself, so the holder has its final name from the first event on.
    QProcess* holder = start("/usr/bin/tail", {"-f", cameraNode()});
    const QString expected =
        QStringLiteral("Camera being accessed by tail (PID: %1)").arg(holder->processId());
    ASSERT_TRUE(waitFor([&] { return notificationContaining(expected).has_value(); }))
        << log.lines().join('\n').toStdString();
    EXPECT_TRUE(logged("tail", DeviceType::Camera, true));
}

TEST_F(WholePathTest, AllowedRecorderIsLoggedButNotNotified) {
    QProcess* recorder = record();
    ASSERT_TRUE(waitFor([&] { return notificationContaining("parecord").has_value(); }));
    server.sendActionInvoked(notificationContaining("parecord")->id, "ALLOW_ALWAYS");
    ASSERT_TRUE(waitFor([&] { return allowedApps->isAppAllowed("parecord", "Microphone"); }));
    stop(recorder);
    ASSERT_TRUE(waitFor([&] { return logged("parecord", DeviceType::Microphone, false); }));

    const size_t notified = server.calls().size();
    log.clear();
    QProcess* again = record();
    ASSERT_TRUE(waitFor([&] {
        return log.countStartingWith("✅ App parecord is in allowed list for every device") > 0;
    })) << log.lines().join('\n').toStdString();
    EXPECT_EQ(server.calls().size(), notified);
    int activeEntries = 0;
    for (const ActivityLogEntry& entry : logger->logs()) {
        activeEntries += entry.processName == "parecord" && entry.isActive ? 1 : 0;
    }
    EXPECT_EQ(activeEntries, 2);
    stop(again);
}
