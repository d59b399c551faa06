#pragma once

#include "base/WeakRef.h"

#include <QString>
#include <QVariantMap>
#include <QtGlobal>
#include <memory>
#include <optional>
#include <vector>

namespace ostrel {

// One desktop application that runs for the user.
struct RunningApplication {
    qint32 processIdentifier = 0;
    std::optional<QString> localizedName;
    std::optional<QString> bundleIdentifier;
    std::optional<QString> bundlePath;    // where the application is installed, not its executable
    bool isActive = false;                // it receives the user's input
    bool regularActivationPolicy = false; // an ordinary application the user launched and sees
    QString iconName;                     // icon theme name or icon file path; empty when none
};

// Lists hand out shared records: the same application is the same object within one
// list and as the frontmost application, so callers may compare by identity.
using RunningApplicationRef = std::shared_ptr<const RunningApplication>;

class RunningApplicationsObserver : public LifetimeTracked {
public:
    // An observer of sleep and wake alone says no, so the service does not watch the list
    // of applications for it.
    virtual bool observesLaunches() const { return true; }
    virtual void applicationLaunched(const RunningApplicationRef&) {}
    virtual void applicationTerminated(const RunningApplicationRef&) {}
    virtual void systemWillSleep() {}
    virtual void systemDidWake() {}

protected:
    ~RunningApplicationsObserver() = default;
};

// The user's running applications and what the desktop knows about installed ones.
// Events reach observers on the main thread.
class RunningApplicationsService {
public:
    virtual ~RunningApplicationsService() = default;

    // In the platform's own order, stable within one call.
    virtual std::vector<RunningApplicationRef> runningApplications() = 0;
    // One of the running applications, or null when none is frontmost or the desktop
    // does not tell.
    virtual RunningApplicationRef frontmostApplication() = 0;
    // The running application a process belongs to: the one it is, or the one whose sandbox
    // or helper processes it is part of (a browser's audio process, a Flatpak's inner
    // program); null when none. Without knowledge of process trees, only an application's
    // own pid counts.
    virtual RunningApplicationRef applicationOwning(qint32 pid) {
        for (RunningApplicationRef& application : runningApplications()) {
            if (application->processIdentifier == pid) {
                return std::move(application);
            }
        }
        return nullptr;
    }
    // The owner pid of every visible window; empty when the desktop does not tell.
    virtual std::vector<qint32> onScreenWindowOwnerPids() = 0;

    // Where the application registered for an identifier is installed, if any.
    virtual std::optional<QString> applicationPath(const QString& bundleIdentifier) = 0;
    // The information dictionary an installed application carries about itself, with its
    // declarations of camera and microphone use; none when it carries none.
    virtual std::optional<QVariantMap> applicationInfo(const QString& bundlePath) = 0;
    // Icon theme name or icon file path for an installed application; empty when none.
    virtual QString iconNameForPath(const QString& path) = 0;

    virtual void addObserver(RunningApplicationsObserver* observer) = 0;
    virtual void removeObserver(RunningApplicationsObserver* observer) = 0;
};

} // namespace ostrel
