#include "advanced/KernelDeviceMonitor.h"

#include "advanced/MonitorEvents.h"
#include "advanced/SecurityKeywords.h"
#include "base/Log.h"

#include <algorithm>

namespace ostrel {

KernelDeviceMonitor::KernelDeviceMonitor(const AdvancedMonitorPlatform& platform)
    : platform_(platform), self_(std::make_shared<KernelDeviceMonitor*>(this)) {}

KernelDeviceMonitor::~KernelDeviceMonitor() = default;

void KernelDeviceMonitor::startKernelMonitoring() {
    logLine(QStringLiteral("🔧 [KernelMonitor] Starting kernel-level device monitoring..."));
    setupCoreMediaIOMonitoring();
    setupIOKitMonitoring();
    logLine(QStringLiteral(
        "🎛️ [KernelMonitor] Sound server input monitoring initialized (simplified)"));
    logLine(QStringLiteral("✅ [KernelMonitor] Kernel monitoring initialized"));
}

void KernelDeviceMonitor::stopKernelMonitoring() {
    logLine(QStringLiteral("🛑 [KernelMonitor] Stopping kernel monitoring..."));
    platform_.cameraSystem.removeDeviceListListener();
    if (platform_.usbRegistry.isOpen()) {
        platform_.usbRegistry.close();
    }
}

void KernelDeviceMonitor::setupCoreMediaIOMonitoring() {
    // The camera system may call from any thread; the work happens on the main thread.
    std::weak_ptr<KernelDeviceMonitor*> weakSelf = self_;
    MainRunLoop& loop = platform_.detector.loop;
    const qint32 status = platform_.cameraSystem.addDeviceListListener(
        [weakSelf, &loop](quint32 objectId, const std::vector<CameraSystemChange>& changes) {
            loop.post([weakSelf, objectId, changes] {
                if (std::shared_ptr<KernelDeviceMonitor*> self = weakSelf.lock()) {
                    (*self)->handleCameraSystemChange(objectId, changes);
                }
            });
        });
    if (status != 0) {
        logLine(
            QStringLiteral("❌ [KernelMonitor] Failed to setup V4L2 monitoring: %1").arg(status));
    } else {
        logLine(QStringLiteral("✅ [KernelMonitor] V4L2 monitoring enabled"));
    }
}

void KernelDeviceMonitor::handleCameraSystemChange(quint32 objectId,
                                                   const std::vector<CameraSystemChange>& changes) {
    logLine(QStringLiteral("🔄 [KernelMonitor] V4L2 device change detected"));
    for (const CameraSystemChange& change : changes) {
        switch (change.kind) {
        case CameraSystemChange::Kind::DeviceRunning:
            checkCameraDeviceRunning(objectId);
            break;
        case CameraSystemChange::Kind::DeviceList:
            refreshCameraDeviceList();
            break;
        case CameraSystemChange::Kind::Other:
            if (debugEnabled) {
                logLine(QStringLiteral("🔍 [KernelMonitor] Unknown V4L2 property change: %1")
                            .arg(change.code));
            }
            break;
        }
    }
}

void KernelDeviceMonitor::refreshCameraDeviceList() {
    const StatusAnswer<std::vector<quint32>> devices = platform_.cameraSystem.deviceIds();
    if (!devices.ok() || devices.value.empty()) {
        if (debugEnabled) {
            logLine(QStringLiteral("🔍 [KernelMonitor] No V4L2 devices found or error: %1")
                        .arg(devices.status));
        }
        return;
    }
    logLine(QStringLiteral("📱 [KernelMonitor] Found %1 V4L2 devices").arg(devices.value.size()));
    for (quint32 deviceId : devices.value) {
        checkCameraDeviceRunning(deviceId);
        logCameraDeviceInfo(deviceId);
    }
}

void KernelDeviceMonitor::checkCameraDeviceRunning(quint32 deviceId) {
    const StatusAnswer<bool> running = platform_.cameraSystem.isDeviceRunning(deviceId);
    if (!running.ok() || !running.value) {
        return;
    }
    logLine(QStringLiteral("🔴 [KernelMonitor] Device %1 is running!").arg(deviceId));
    logCameraDeviceInfo(deviceId);
    platform_.events.publish(KernelDeviceActivityDetected{deviceId, true});
}

void KernelDeviceMonitor::logCameraDeviceInfo(quint32 deviceId) {
    if (const std::optional<QString> name = platform_.cameraSystem.deviceName(deviceId)) {
        logLine(QStringLiteral("📱 [KernelMonitor] Device info - ID: %1, Name: ").arg(deviceId) +
                *name);
    }
}

void KernelDeviceMonitor::setupIOKitMonitoring() {
    UsbDeviceRegistry& registry = platform_.usbRegistry;
    if (registry.isOpen()) {
        registry.close(); // a second start replaces the first registration
    }
    switch (registry.open()) {
    case UsbDeviceRegistry::OpenResult::NoNotificationPort:
        logLine(QStringLiteral("❌ [KernelMonitor] Failed to create udev notification port"));
        return;
    case UsbDeviceRegistry::OpenResult::NoMainLoopSource:
        logLine(QStringLiteral("❌ [KernelMonitor] Failed to get run loop source"));
        return;
    case UsbDeviceRegistry::OpenResult::Opened:
        break;
    }
    setupUSBMonitoring();
    logLine(QStringLiteral("🎵 [KernelMonitor] Audio device udev monitoring enabled"));
    logLine(QStringLiteral("✅ [KernelMonitor] udev monitoring enabled"));
}

void KernelDeviceMonitor::setupUSBMonitoring() {
    UsbDeviceRegistry& registry = platform_.usbRegistry;
    if (!registry.isOpen()) {
        logLine(
            QStringLiteral("❌ [KernelMonitor] No notification port available for USB monitoring"));
        return;
    }
    std::weak_ptr<KernelDeviceMonitor*> weakSelf = self_;
    std::vector<UsbDevice> present;
    const UsbDeviceRegistry::MatchResult result = registry.matchDevices(
        [weakSelf](const std::vector<UsbDevice>& devices) {
            if (std::shared_ptr<KernelDeviceMonitor*> self = weakSelf.lock()) {
                (*self)->handleMatchedUSBDevices(devices);
            }
        },
        present);
    if (!result.matchingCreated) {
        logLine(
            QStringLiteral("❌ [KernelMonitor] Failed to create USB device matching dictionary"));
        return;
    }
    if (result.status != 0) {
        logLine(QStringLiteral("❌ [KernelMonitor] Failed to setup USB monitoring: %1")
                    .arg(result.status));
        return;
    }
    handleMatchedUSBDevices(present);
    logLine(QStringLiteral("✅ [KernelMonitor] USB device monitoring enabled"));
}

void KernelDeviceMonitor::handleMatchedUSBDevices(const std::vector<UsbDevice>& devices) {
    static const QStringList interesting{"Camera", "Video", "UVC", "Audio", "USB"};
    for (const UsbDevice& device : devices) {
        const bool matches =
            std::any_of(interesting.begin(), interesting.end(),
                        [&](const QString& word) { return device.className.contains(word); });
        if (matches) {
            logLine(QStringLiteral("🔌 [KernelMonitor] USB Device - Vendor: 0x%1, Product: 0x%2")
                        .arg(device.vendorId, 0, 16)
                        .arg(device.productId, 0, 16));
        }
    }
}

ProcessSecurityInfo KernelDeviceMonitor::analyzeProcessSecurity(qint32 pid) {
    const ProcessServices& processes = platform_.detector.processes;
    const std::optional<ProcessBasics> basics = processes.basics(pid);
    if (!basics) {
        logLine(QStringLiteral("❌ [KernelMonitor] Failed to get process info for PID %1").arg(pid));
        return {};
    }
    const QString name = basics->shortName.left(16);
    const QString path = processes.executablePath(pid).value_or(QString());
    logLine(QStringLiteral("🔍 [KernelMonitor] Checking process: %1 (PID: %2)")
                .arg(name, QString::number(pid)));
    logLine(QStringLiteral("📁 [KernelMonitor] Process path: ") + path);

    const QString lowered = name.toLower();
    const bool system = std::any_of(
        security::systemProcessNames().begin(), security::systemProcessNames().end(),
        [&](const QString& systemName) { return lowered.contains(systemName.toLower()); });
    const bool known = security::containsAny(lowered, security::knownAppKeywords());
    const bool location = security::startsWithAny(path, security::legitimateLocations());

    ProcessSecurityInfo info;
    if (system) {
        logLine(QStringLiteral("✅ [KernelMonitor] Recognized as system process"));
        info = {true, true, true, true};
    } else if (known) {
        logLine(QStringLiteral("✅ [KernelMonitor] Recognized as known legitimate app: ") + name);
        info = {true, true, false, true};
    } else if (location) {
        logLine(QStringLiteral("✅ [KernelMonitor] Recognized as legitimate app (location-based)"));
        info = {true, true, true, true};
    } else {
        logLine(
            QStringLiteral("⚠️ [KernelMonitor] Process from suspicious location or unknown"));
    }
    if (basics->hasExecuted) {
        logLine(QStringLiteral("🔒 [KernelMonitor] Process %1 has exec flag").arg(name));
    }
    return info;
}

} // namespace ostrel
