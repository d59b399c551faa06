#pragma once

#include "advanced/AdvancedDeviceMonitor.h"
#include "support/CapturedLog.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>
#include <vector>

namespace ostrel {

struct Record {
    DeviceType device;
    bool isActive;
    std::optional<ProcessInfo> process;
};

class RecordingShell final : public DeviceMonitorDelegate {
public:
    void deviceAccessChanged(DeviceType device, bool isActive,
                             const std::optional<ProcessInfo>& process) override {
        records.push_back({device, isActive, process});
    }
    std::vector<Record> records;
};

// The advanced monitor on fakes of everything it reaches, driven by the manual run loop.
class AdvancedTest : public testing::Test, protected FakePlatform {
protected:
    AdvancedTest() {
        processes.ownPidValue = 4000;
        monitor.delegate = &shell;
        log.clear(); // tests look only at what they cause
    }

    // A process the kernel can describe: name, executable and the exec flag.
    void addProcess(qint32 pid, const QString& path, int descriptors = 5) {
        const QString name = path.section(QLatin1Char('/'), -1).left(15);
        processes.pids.push_back(pid);
        processes.names[pid] = name;
        processes.executablePaths[pid] = path;
        processes.processBasics[pid] = {name, true};
        processes.figures[pid] = {1024, 512, 0, 0};
        processes.descriptorCounts[pid] = descriptors;
    }

    int postsOf(const QString& name) {
        int count = 0;
        for (const Notification& notification : posted) {
            count += notification.name == name ? 1 : 0;
        }
        return count;
    }

    CapturedLog log;
    NotificationCenter notifications;
    AdvancedDeviceMonitor monitor{AdvancedMonitorPlatform::from(platform, loop, notifications)};
    RecordingShell shell;
    std::vector<Notification> posted;
    NotificationCenter::ObserverId postWatchers[3] = {
        notifications.addObserver("BriefAccessDetected",
                                  [this](const Notification& n) { posted.push_back(n); }),
        notifications.addObserver("HighRiskProcessDetected",
                                  [this](const Notification& n) { posted.push_back(n); }),
        notifications.addObserver("DirectDeviceAccessDetected",
                                  [this](const Notification& n) { posted.push_back(n); })};
};

} // namespace ostrel
