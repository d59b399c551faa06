// Start, stop, the device listing and the system events that trigger checks between ticks.
#include "base/Log.h"
#include "detection/AttributionKeywords.h"
#include "detection/DeviceMonitor.h"

namespace ostrel {

DeviceMonitor::DeviceMonitor(DeviceMonitorPlatform platform)
    : platform_(platform), operations_(platform.applications, platform.processes) {}

DeviceMonitor::~DeviceMonitor() {
    endObservations();
}

void DeviceMonitor::startMonitoring() {
    // A second start without a stop must not leave two timers or doubled observations.
    deviceCheckTimer_.cancel();
    endObservations();

    logLine(QStringLiteral("🚀 Starting device monitoring..."));
    logLine(QStringLiteral("📊 Current permissions - Camera: %1, Microphone: %2")
                .arg(static_cast<int>(platform_.cameras.authorizationStatus()))
                .arg(static_cast<int>(platform_.audio.authorizationStatus())));
    logLine(QStringLiteral("   (0=notDetermined, 1=restricted, 2=denied, 3=authorized)"));

    platform_.cameras.addObserver(this);
    platform_.audio.addObserver(this);
    observing_ = true;
    logLine(QStringLiteral("🔧 Audio monitoring setup complete"));

    deviceCheckTimer_ = platform_.loop.scheduleRepeating(checkInterval, [this] { checkDevices(); });
    camera_ = {};
    microphone_ = {};

    printDeviceStatus();
    logLine(QStringLiteral("✅ Device monitoring started with available permissions"));
}

void DeviceMonitor::stopMonitoring() {
    logLine(QStringLiteral("🛑 Stopping device monitoring..."));
    deviceCheckTimer_.cancel();
    endObservations();

    lastCameraProcessInfo_.reset();
    lastMicrophoneProcessInfo_.reset();
    camera_ = {};
    microphone_ = {};
    lastDetectedMicrophoneProcess_.reset();
    lastDetectedCameraProcess_.reset();
    lastCameraDetectionTime_.reset();
    logLine(QStringLiteral("✅ Device monitoring stopped"));
}

void DeviceMonitor::endObservations() {
    if (!observing_) {
        return;
    }
    platform_.cameras.removeObserver(this);
    platform_.audio.removeObserver(this);
    observing_ = false;
}

void DeviceMonitor::deviceConnected() {
    logLine(QStringLiteral("📷 Camera device connected notification received"));
    checkCameraStatus();
    logLine(QStringLiteral("🎤 Audio device connected notification received"));
    checkMicrophoneStatus();
}

void DeviceMonitor::cameraConnected() {
    deviceConnected();
}

void DeviceMonitor::inputDeviceConnected() {
    deviceConnected();
}

void DeviceMonitor::cameraDisconnected() {
    handleDeviceChange();
}

void DeviceMonitor::inputDeviceDisconnected() {
    handleDeviceChange();
}

void DeviceMonitor::mediaServicesReset() {
    handleMediaServicesReset();
}

// The system saw a device open or close: check now rather than at the next tick.
void DeviceMonitor::cameraUsageMayHaveChanged() {
    checkCameraStatus();
}

void DeviceMonitor::microphoneUsageMayHaveChanged() {
    checkMicrophoneStatus();
}

void DeviceMonitor::handleDeviceChange() {
    logLine(QStringLiteral("🔀 Audio device changed"));
    printDeviceStatus();
    checkMicrophoneStatus();
}

void DeviceMonitor::handleMediaServicesReset() {
    logLine(QStringLiteral("🔄 Media services reset"));
    checkDevices();
}

void DeviceMonitor::printDeviceStatus() {
    logLine(QStringLiteral("\n📊 [DEBUG] Current Device Status:"));
    auto printDevices = [](const std::vector<CaptureDevice>& devices, bool withId) {
        int number = 1;
        for (const CaptureDevice& device : devices) {
            logLine(QStringLiteral("  %1. ").arg(number++) + device.localizedName);
            logLine(QStringLiteral("     - In use: ") +
                    boolText(device.isInUseByAnotherApplication));
            logLine(QStringLiteral("     - Connected: ") + boolText(device.isConnected));
            if (withId) {
                logLine(QStringLiteral("     - Device ID: ") + device.uniqueID);
            }
        }
    };
    logLine(QStringLiteral("📷 Camera devices:"));
    printDevices(platform_.cameras.cameras(), false);
    logLine(QStringLiteral("🎤 Microphone devices:"));
    printDevices(platform_.audio.microphones(), true);
    printRunningMediaApps();
    logLine(QStringLiteral("📊 [DEBUG] End device status\n"));
}

void DeviceMonitor::printRunningMediaApps() {
    logLine(QStringLiteral("📱 Currently running media apps:"));
    bool any = false;
    for (const RunningApplicationRef& application : platform_.applications.runningApplications()) {
        if (!application->bundleIdentifier ||
            !keywords::knownMediaApplications().contains(*application->bundleIdentifier)) {
            continue;
        }
        any = true;
        logLine(QStringLiteral("  - ") + ProcessOperations::displayName(*application) +
                QStringLiteral(" (") + *application->bundleIdentifier + QLatin1Char(')'));
        logLine(QStringLiteral("    PID: %1").arg(application->processIdentifier));
    }
    if (!any) {
        logLine(QStringLiteral("  (No known media apps currently running)"));
    }
    logLine(
        QStringLiteral("ℹ️  Note: Apps listed above may be running but not necessarily using "
                       "microphone/camera"));
}

} // namespace ostrel
