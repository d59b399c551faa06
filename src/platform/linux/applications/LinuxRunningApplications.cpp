#include "platform/linux/applications/LinuxRunningApplications.h"

#include "base/Log.h"

#include <algorithm>

namespace ostrel {
namespace {

constexpr double kRefreshInterval = 1.0;

bool sameApplication(const RunningApplicationRef& a, const RunningApplicationRef& b) {
    return a->bundleIdentifier == b->bundleIdentifier &&
           a->processIdentifier == b->processIdentifier;
}

// The records of `from` that have no counterpart in `in`.
std::vector<RunningApplicationRef> missingFrom(const std::vector<RunningApplicationRef>& from,
                                               const std::vector<RunningApplicationRef>& in) {
    std::vector<RunningApplicationRef> missing;
    for (const RunningApplicationRef& application : from) {
        if (std::none_of(in.begin(), in.end(), [&application](const RunningApplicationRef& other) {
                return sameApplication(application, other);
            })) {
            missing.push_back(application);
        }
    }
    return missing;
}

} // namespace

LinuxRunningApplications::LinuxRunningApplications(MainRunLoop& loop, qint32 ownPid,
                                                   QString procRoot, QStringList dataDirs,
                                                   std::unique_ptr<WindowOwnerSource> windows,
                                                   std::optional<QDBusConnection> systemBus)
    : loop_(loop), proc_(std::move(procRoot)), entries_(std::move(dataDirs)),
      flatpaks_(entries_.dataDirs()), installed_(entries_, flatpaks_),
      scanner_(proc_, entries_, ownPid), records_(entries_, flatpaks_, proc_),
      windows_(std::move(windows)), entriesLoadCount_(entries_.loadCount()) {
    if (systemBus) {
        sleepWatcher_ =
            std::make_unique<LogindSleepWatcher>(std::move(*systemBus), [this](bool goingToSleep) {
                observers_.notify([goingToSleep](RunningApplicationsObserver& observer) {
                    if (goingToSleep) {
                        observer.systemWillSleep();
                    } else {
                        observer.systemDidWake();
                    }
                });
            });
    } else {
        logLine(
            QStringLiteral("ℹ️ [RunningApplications] No system bus: sleep and wake will not "
                           "be reported"));
    }
}

LinuxRunningApplications::~LinuxRunningApplications() = default;

void LinuxRunningApplications::reloadEntriesIfStale() {
    const MonotonicTime now = loop_.monotonicNow();
    if (secondsSince(lastEntriesCheck_, now) < kRefreshInterval) {
        return;
    }
    lastEntriesCheck_ = now;
    entries_.reloadIfChanged();
    if (entries_.loadCount() != entriesLoadCount_) {
        entriesLoadCount_ = entries_.loadCount();
        scanner_.forgetIdentities();
    }
}

void LinuxRunningApplications::refreshIfStale() {
    if (secondsSince(lastRefresh_, loop_.monotonicNow()) >= kRefreshInterval) {
        refresh();
    }
}

void LinuxRunningApplications::refresh() {
    reloadEntriesIfStale();
    lastRefresh_ = loop_.monotonicNow();
    ApplicationScan scan = scanner_.scan();
    std::optional<int> active;
    if (windows_) {
        if (const std::optional<qint32> pid = windows_->activeWindowOwnerPid()) {
            active = scanner_.applicationOwning(scan, *pid);
        }
    }
    std::vector<RunningApplicationRef> applications = records_.build(scan, active);
    frontmost_ = active ? applications[std::size_t(*active)] : nullptr;
    if (observing_) {
        announceDifferences(applications_, applications);
    }
    scan_ = std::move(scan);
    applications_ = std::move(applications);
}

void LinuxRunningApplications::announceDifferences(
    const std::vector<RunningApplicationRef>& before,
    const std::vector<RunningApplicationRef>& after) {
    std::vector<RunningApplicationRef> terminated = missingFrom(before, after);
    std::vector<RunningApplicationRef> launched = missingFrom(after, before);
    if (terminated.empty() && launched.empty()) {
        return;
    }
    // Through the run loop, so observers never run inside a caller's list request.
    loop_.post([this, alive = std::weak_ptr<bool>(alive_), terminated = std::move(terminated),
                launched = std::move(launched)] {
        if (!alive.lock()) {
            return;
        }
        for (const RunningApplicationRef& application : terminated) {
            observers_.notify([&application](RunningApplicationsObserver& observer) {
                observer.applicationTerminated(application);
            });
        }
        for (const RunningApplicationRef& application : launched) {
            observers_.notify([&application](RunningApplicationsObserver& observer) {
                observer.applicationLaunched(application);
            });
        }
    });
}

std::vector<RunningApplicationRef> LinuxRunningApplications::runningApplications() {
    refreshIfStale();
    return applications_;
}

RunningApplicationRef LinuxRunningApplications::frontmostApplication() {
    refreshIfStale();
    return frontmost_;
}

RunningApplicationRef LinuxRunningApplications::applicationOwning(qint32 pid) {
    // A process asked about by pid (a device holder) may have become another program since
    // it settled; it is named as what it runs now. A scan would not read it again, so the
    // check comes first and one scan serves both.
    if (scanner_.recheck(pid)) {
        refresh();
    } else {
        refreshIfStale();
    }
    const std::optional<int> application = scanner_.applicationOwning(scan_, pid);
    return application ? applications_[std::size_t(*application)] : nullptr;
}

std::vector<qint32> LinuxRunningApplications::onScreenWindowOwnerPids() {
    if (!windows_) {
        return {};
    }
    refreshIfStale();
    // A window drawn by a helper process of an application counts as the application's.
    std::vector<qint32> owners;
    for (const qint32 pid : windows_->visibleWindowOwnerPids()) {
        const std::optional<int> application = scanner_.applicationOwning(scan_, pid);
        owners.push_back(application ? applications_[std::size_t(*application)]->processIdentifier
                                     : pid);
    }
    return owners;
}

std::optional<QString> LinuxRunningApplications::applicationPath(const QString& bundleIdentifier) {
    reloadEntriesIfStale();
    return installed_.applicationPath(bundleIdentifier);
}

std::optional<QVariantMap> LinuxRunningApplications::applicationInfo(const QString& bundlePath) {
    reloadEntriesIfStale();
    return installed_.applicationInfo(bundlePath);
}

QString LinuxRunningApplications::iconNameForPath(const QString& path) {
    reloadEntriesIfStale();
    return installed_.iconNameForPath(path);
}

void LinuxRunningApplications::addObserver(RunningApplicationsObserver* observer) {
    observers_.add(observer);
    if (observing_ || !hasLaunchObservers()) {
        return;
    }
    // The list of this moment is the base: what runs already is not announced as launched.
    refreshIfStale();
    observing_ = true;
    observationTimer_ = loop_.scheduleRepeating(kRefreshInterval, [this] {
        stopObservingIfUnobserved();
        if (observing_) {
            refreshIfStale();
        }
    });
}

void LinuxRunningApplications::removeObserver(RunningApplicationsObserver* observer) {
    observers_.remove(observer);
    stopObservingIfUnobserved();
}

bool LinuxRunningApplications::hasLaunchObservers() const {
    return observers_.anyOf(
        [](const RunningApplicationsObserver& observer) { return observer.observesLaunches(); });
}

void LinuxRunningApplications::stopObservingIfUnobserved() {
    // An observer destroyed without removing itself counts as gone too.
    if (observing_ && !hasLaunchObservers()) {
        observing_ = false;
        observationTimer_.cancel();
    }
}

} // namespace ostrel
