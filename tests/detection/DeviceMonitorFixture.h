#pragma once

#include "detection/DeviceMonitor.h"
#include "support/CapturedLog.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>
#include <vector>

namespace ostrel {

struct Report {
    DeviceType device;
    bool isActive;
    std::optional<ProcessInfo> process;
};

// A detector on fakes, driven by the manual run loop; the fixture keeps what it reports.
class DeviceMonitorTest : public testing::Test,
                          protected FakePlatform,
                          public DeviceMonitorDelegate {
protected:
    DeviceMonitorTest() {
        processes.ownPidValue = 4000;
        monitor.delegate = this;
    }

    void deviceAccessChanged(DeviceType device, bool isActive,
                             const std::optional<ProcessInfo>& process) override {
        reports.push_back({device, isActive, process});
    }

    void setCameraInUse(bool inUse) {
        cameras.devices = {{"Integrated Camera", "/dev/video0", inUse, true}};
    }
    void setMicrophoneInUse(bool inUse) {
        audio.devices = {{"Built-in Microphone", "alsa_input.pci", inUse, true}};
    }
    RunningApplicationRef addApp(qint32 pid, QString name, std::optional<QString> identifier,
                                 bool active = false, bool regular = true) {
        return applications.add(
            {pid, std::move(name), std::move(identifier), std::nullopt, active, regular, {}});
    }

    CapturedLog log;
    DeviceMonitor monitor{{loop, cameras, audio, applications, processes, children}};
    std::vector<Report> reports;
};

} // namespace ostrel
