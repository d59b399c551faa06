#pragma once

#include "FakeDeviceActivitySource.h"
#include "dashboard/PrivacyMonitorViewModel.h"
#include "support/CapturedLog.h"
#include "support/FakePlatform.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace ostrel {

// The dashboard's surroundings as fakes, with preferences in a temporary file.
class DashboardFixture : public ::testing::Test, protected FakePlatform {
protected:
    DashboardEnvironment environment() {
        return {loop, &source, processControl, processes, applications, settings, &suspended};
    }
    // A running process the fakes know, which the control may signal.
    ProcessInfo runningProcess(qint32 pid, const QString& name) {
        processControl.startTimes.insert(pid, quint64(pid) * 10);
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
        source.cameraHolder = source.microphoneHolder = std::nullopt;
    }

    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("preferences.ini")), QSettings::IniFormat};
    CapturedLog log;
    FakeDeviceActivitySource source;
    SuspendedProcesses suspended{processControl}; // the shell's registry
};

} // namespace ostrel
