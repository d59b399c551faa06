#pragma once

#include "FakeDeviceActivitySource.h"
#include "dashboard/PrivacyMonitorViewModel.h"
#include "support/CapturedLog.h"
#include "support/FakeProcessControl.h"
#include "support/FakeProcessServices.h"
#include "support/FakeRunningApplications.h"
#include "support/ManualRunLoop.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace ostrel {

// A dashboard model on fakes, with preferences in a temporary file.
class DashboardFixture : public ::testing::Test {
protected:
    DashboardFixture()
        : settings(dir.filePath(QStringLiteral("preferences.ini")), QSettings::IniFormat) {}

    std::unique_ptr<PrivacyMonitorViewModel> makeModel() {
        return std::make_unique<PrivacyMonitorViewModel>(
            DashboardEnvironment{loop, &source, control, processes, applications, settings});
    }

    // A running process the fakes know, which the control may signal.
    ProcessInfo runningProcess(qint32 pid, const QString& name) {
        control.startTimes.insert(pid, quint64(pid) * 10);
        processes.names.insert(pid, name);
        return {pid, name, std::nullopt, std::nullopt};
    }

    void useCamera(const std::optional<ProcessInfo>& process) {
        source.camera = true;
        source.cameraHolder = process;
    }
    void useMicrophone(const std::optional<ProcessInfo>& process) {
        source.microphone = true;
        source.microphoneHolder = process;
    }
    void stopDevices() {
        source.camera = source.microphone = false;
        source.cameraHolder.reset();
        source.microphoneHolder.reset();
    }

    QTemporaryDir dir;
    QSettings settings;
    CapturedLog log;
    ManualRunLoop loop;
    FakeDeviceActivitySource source;
    FakeProcessControl control;
    FakeProcessServices processes;
    FakeRunningApplications applications;
};

} // namespace ostrel
