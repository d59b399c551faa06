#pragma once

#include "detection/DeviceMonitor.h"
#include "support/CapturedLog.h"
#include "support/FakeAudioSystem.h"
#include "support/FakeCameraService.h"
#include "support/FakeChildProcessRunner.h"
#include "support/FakeProcessServices.h"
#include "support/FakeRunningApplications.h"
#include "support/ManualRunLoop.h"

#include <gtest/gtest.h>
#include <vector>

namespace ostrel {

struct Report {
    DeviceType device;
    bool isActive;
    std::optional<ProcessInfo> process;
};

class RecordingDelegate final : public DeviceMonitorDelegate {
public:
    void deviceAccessChanged(DeviceType device, bool isActive,
                             const std::optional<ProcessInfo>& process) override {
        reports.push_back({device, isActive, process});
    }
    std::vector<Report> reports;
};

// A detector on fake devices, applications and processes, driven by the manual run loop.
class DeviceMonitorTest : public testing::Test {
protected:
    DeviceMonitorTest() {
        processes.ownPidValue = 4000;
        monitor.delegate = &delegate;
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
    ManualRunLoop loop;
    FakeCameraService cameras;
    FakeAudioSystem audio;
    FakeRunningApplications applications;
    FakeProcessServices processes;
    FakeChildProcessRunner children;
    DeviceMonitor monitor{{loop, cameras, audio, applications, processes, children}};
    RecordingDelegate delegate;
};

} // namespace ostrel
