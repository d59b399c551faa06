#pragma once

#include "advanced/AdvancedDeviceMonitor.h"
#include "support/CapturedLog.h"
#include "support/FakePlatform.h"

#include <gmock/gmock.h>
#include <vector>

namespace ostrel {

// The advanced monitor on fakes of everything it reaches, driven by the manual run loop. The
// fixture stands for the shell: it collects the records and the published events.
class AdvancedTest : public testing::Test, protected FakePlatform, public DeviceMonitorDelegate {
protected:
    AdvancedTest() {
        processes.ownPidValue = 4000;
        monitor.delegate = this;
        log.clear(); // tests look only at what they cause
    }

    void deviceAccessChanged(DeviceType device, bool isActive,
                             const std::optional<ProcessInfo>& process) override {
        records.push_back({device, isActive, process, {}, {}, {}});
    }

    // A process the kernel can describe: name, executable and the exec flag.
    void addProcess(qint32 pid, const QString& path, int descriptors = 5) {
        const QString name = path.section(QLatin1Char('/'), -1).left(15);
        processes.pids.push_back(pid);
        processes.executablePaths[pid] = path;
        processes.processBasics[pid] = {name, true};
        processes.descriptorCounts[pid] = descriptors;
    }

    CapturedLog log;
    EventBus events;
    AdvancedDeviceMonitor monitor{AdvancedMonitorPlatform::from(platform, loop, events)};
    std::vector<DeviceAccessEvent> records; // device, state and process only
    std::vector<BriefAccessDetected> brief;
    std::vector<HighRiskProcessDetected> highRisk;
    std::vector<DirectDeviceAccessDetected> direct;
    EventBus::Subscription watchers[3] = {
        events.subscribe<BriefAccessDetected>([this](const auto& e) { brief.push_back(e); }),
        events.subscribe<HighRiskProcessDetected>([this](const auto& e) { highRisk.push_back(e); }),
        events.subscribe<DirectDeviceAccessDetected>(
            [this](const auto& e) { direct.push_back(e); })};
};

} // namespace ostrel
