#pragma once

#include "base/ObserverList.h"
#include "platform/RunningApplicationsService.h"

#include <QHash>
#include <memory>
#include <vector>

namespace ostrel {

// Running applications the test sets up by hand.
class FakeRunningApplications final : public RunningApplicationsService {
public:
    RunningApplicationRef add(RunningApplication application) {
        auto ref = std::make_shared<const RunningApplication>(std::move(application));
        applications.push_back(ref);
        return ref;
    }

    std::vector<RunningApplicationRef> runningApplications() override {
        ++listCalls;
        return applications;
    }
    RunningApplicationRef frontmostApplication() override { return frontmost; }
    RunningApplicationRef applicationOwning(qint32 pid) override {
        const RunningApplicationRef owner = owners.value(pid);
        return owner ? owner : RunningApplicationsService::applicationOwning(pid);
    }
    std::vector<qint32> onScreenWindowOwnerPids() override { return windowOwnerPids; }
    std::optional<QString> applicationPath(const QString& bundleIdentifier) override {
        auto found = pathsByIdentifier.constFind(bundleIdentifier);
        return found == pathsByIdentifier.constEnd() ? std::nullopt : std::optional(*found);
    }
    std::optional<QVariantMap> applicationInfo(const QString& bundlePath) override {
        auto found = infoByPath.constFind(bundlePath);
        return found == infoByPath.constEnd() ? std::nullopt : std::optional(*found);
    }
    QString iconNameForPath(const QString& path) override { return iconsByPath.value(path); }

    void addObserver(RunningApplicationsObserver* observer) override { observers.add(observer); }
    void removeObserver(RunningApplicationsObserver* observer) override {
        observers.remove(observer);
    }

    std::vector<RunningApplicationRef> applications;
    RunningApplicationRef frontmost;
    QHash<qint32, RunningApplicationRef> owners; // helper processes; tops own themselves
    std::vector<qint32> windowOwnerPids;
    QHash<QString, QString> pathsByIdentifier;
    QHash<QString, QVariantMap> infoByPath;
    QHash<QString, QString> iconsByPath;
    ObserverList<RunningApplicationsObserver> observers;
    int listCalls = 0;
};

} // namespace ostrel
