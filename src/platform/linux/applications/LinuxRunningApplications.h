#pragma once

#include "base/MainRunLoop.h"
#include "base/ObserverList.h"
#include "platform/RunningApplicationsService.h"
#include "platform/linux/applications/ApplicationRecords.h"
#include "platform/linux/applications/ApplicationScanner.h"
#include "platform/linux/applications/DesktopEntryIndex.h"
#include "platform/linux/applications/FlatpakInstallations.h"
#include "platform/linux/applications/InstalledApplications.h"
#include "platform/linux/applications/WindowOwnerSource.h"
#include "platform/linux/applications/X11WindowOwners.h"
#include "platform/linux/proc/ProcFiles.h"
#include "platform/linux/session/LogindSleepWatcher.h"

#include <QDBusConnection>
#include <memory>
#include <optional>

namespace ostrel {

// The user's desktop applications on Linux. The list, with the active application, is
// refreshed at most once a second: callers ask several times per detection cycle. While
// someone observes, a one-second timer refreshes it and reports launched and terminated
// applications from the differences. The frontmost application and the window owners come
// from X11 where the session has it (`windows` null: none); sleep and wake come from logind
// on `systemBus` (none: never).
class LinuxRunningApplications final : public RunningApplicationsService {
public:
    LinuxRunningApplications(
        MainRunLoop& loop, qint32 ownPid, QString procRoot = QStringLiteral("/proc"),
        QStringList dataDirs = DesktopEntryIndex::dataDirsFromEnvironment(),
        std::unique_ptr<WindowOwnerSource> windows = X11WindowOwners::connectToSessionDisplay(),
        std::optional<QDBusConnection> systemBus = QDBusConnection::systemBus());
    ~LinuxRunningApplications() override;
    LinuxRunningApplications(const LinuxRunningApplications&) = delete;
    LinuxRunningApplications& operator=(const LinuxRunningApplications&) = delete;

    std::vector<RunningApplicationRef> runningApplications() override;
    RunningApplicationRef frontmostApplication() override;
    RunningApplicationRef applicationOwning(qint32 pid) override;
    std::vector<qint32> onScreenWindowOwnerPids() override;

    std::optional<QString> applicationPath(const QString& bundleIdentifier) override;
    std::optional<QVariantMap> applicationInfo(const QString& bundlePath) override;
    QString iconNameForPath(const QString& path) override;

    void addObserver(RunningApplicationsObserver* observer) override;
    void removeObserver(RunningApplicationsObserver* observer) override;

    // How many times the processes were scanned.
    int scanCount() const { return scanner_.scanCount(); }

private:
    void refreshIfStale();
    void refresh();
    void reloadEntriesIfStale();
    void announceDifferences(const std::vector<RunningApplicationRef>& before,
                             const std::vector<RunningApplicationRef>& after);
    void stopObservingIfUnobserved();
    bool hasLaunchObservers() const;

    MainRunLoop& loop_;
    ProcFiles proc_;
    DesktopEntryIndex entries_;
    FlatpakInstallations flatpaks_;
    InstalledApplications installed_;
    ApplicationScanner scanner_;
    ApplicationRecords records_;
    ObserverList<RunningApplicationsObserver> observers_;
    std::unique_ptr<WindowOwnerSource> windows_;
    std::unique_ptr<LogindSleepWatcher> sleepWatcher_; // calls the observers
    TimerHandle observationTimer_;
    bool observing_ = false; // the current list is the base that differences are taken from

    ApplicationScan scan_;
    std::vector<RunningApplicationRef> applications_; // in the order of scan_.applications
    RunningApplicationRef frontmost_;
    LastOccurrence lastRefresh_;
    LastOccurrence lastEntriesCheck_;
    int entriesLoadCount_ = 0;
    // Events are delivered through the run loop; they are dropped once this is gone.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace ostrel
