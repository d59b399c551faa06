#include "advanced/AdvancedDeviceMonitor.h"

#include "advanced/SecurityKeywords.h"
#include "base/Log.h"

#include <QFileInfo>

namespace ostrel {

AdvancedDeviceMonitor::AdvancedDeviceMonitor(const AdvancedMonitorPlatform& platform)
    : platform_(platform), evidence_(platform.detector.cameras, platform.detector.audio),
      detector_(std::make_unique<DeviceMonitor>(platform.detector)),
      kernelMonitor_(std::make_unique<KernelDeviceMonitor>(platform)),
      processTracker_(std::make_unique<ProcessTracker>(platform)),
      subscriptions_{platform.events.subscribe<KernelDeviceActivityDetected>(
                         [this](const auto& event) { handleKernelDeviceActivity(event); }),
                     platform.events.subscribe<HighRiskProcessDetected>(
                         [this](const auto& event) { handleHighRiskProcess(event); }),
                     platform.events.subscribe<DirectDeviceAccessDetected>(
                         [this](const auto& event) { handleDirectDeviceAccess(event); })} {
    logLine(QStringLiteral("🔧 [AdvancedMonitor] Advanced device monitoring initialized"));
}

AdvancedDeviceMonitor::~AdvancedDeviceMonitor() = default;

void AdvancedDeviceMonitor::startComprehensiveMonitoring() {
    logLine(QStringLiteral("🚀 [AdvancedMonitor] Starting comprehensive device monitoring..."));
    detector_->delegate = this;
    detector_->startMonitoring();
    if (enableKernelMonitoring) {
        kernelMonitor_->startKernelMonitoring();
    }
    if (enableProcessTracking) {
        processTracker_->startTracking();
        if (enableBriefAccessDetection) {
            processTracker_->startBriefAccessDetection();
        }
    }
    deviceCheckTimer_ =
        platform_.detector.loop.scheduleRepeating(comparisonInterval, [this] { checkDevices(); });
    logLine(QStringLiteral("✅ [AdvancedMonitor] All monitoring systems active"));
}

void AdvancedDeviceMonitor::stopAdvancedMonitoring() {
    logLine(QStringLiteral("🛑 [AdvancedMonitor] Stopping advanced monitoring..."));
    deviceCheckTimer_.cancel();
    detector_->stopMonitoring();
    kernelMonitor_->stopKernelMonitoring();
    processTracker_->stopTracking();
    logLine(QStringLiteral("✅ [AdvancedMonitor] All monitoring systems stopped"));
}

void AdvancedDeviceMonitor::deviceAccessChanged(DeviceType device, bool isActive,
                                                const std::optional<ProcessInfo>& processInfo) {
    recordDeviceAccess(device, isActive, processInfo, DetectionMethod::AvFoundation);
}

void AdvancedDeviceMonitor::checkDevices() {
    const bool camera = detector_->isCameraActive();
    if (camera != lastCameraState_) {
        const std::optional<ProcessInfo> process =
            camera ? std::optional(detectProcessUsingDevice()) : std::nullopt;
        recordDeviceAccess(DeviceType::Camera, camera, process, DetectionMethod::Comprehensive);
        lastCameraState_ = camera;
    }
    const bool microphone = detector_->isMicrophoneActive();
    if (microphone != lastMicrophoneState_) {
        const std::optional<ProcessInfo> process =
            microphone ? std::optional(detectProcessUsingDevice()) : std::nullopt;
        recordDeviceAccess(DeviceType::Microphone, microphone, process,
                           DetectionMethod::Comprehensive);
        lastMicrophoneState_ = microphone;
    }
}

ProcessInfo AdvancedDeviceMonitor::detectProcessUsingDevice() {
    for (const RunningApplicationRef& application :
         platform_.detector.applications.runningApplications()) {
        if (!application->bundleIdentifier ||
            !security::knownMediaBundleIdentifiers().contains(*application->bundleIdentifier)) {
            continue;
        }
        const qint32 pid = application->processIdentifier;
        const QString name = ProcessOperations::displayName(*application);
        const bool legitimate = kernelMonitor_->analyzeProcessSecurity(pid).isLegitimate;
        return {pid,
                legitimate ? name
                           : QStringLiteral("Suspicious Process: %1 (PID: %2)")
                                 .arg(name, QString::number(pid)),
                application->bundleIdentifier, application->bundlePath};
    }
    return ProcessInfo::unknownProcess();
}

void AdvancedDeviceMonitor::recordDeviceAccess(DeviceType device, bool isActive,
                                               const std::optional<ProcessInfo>& processInfo,
                                               DetectionMethod method) {
    MainRunLoop& loop = platform_.detector.loop;
    detectionHistory_.push_back(
        {device, isActive, processInfo, method, loop.now(), loop.monotonicNow()});
    while (detectionHistory_.size() > historyLimit) {
        detectionHistory_.pop_front();
    }
    checkForBriefAccessPattern();

    if (DeviceMonitorDelegate* receiver = delegate.get()) {
        receiver->deviceAccessChanged(device, isActive, processInfo);
    }
    if (isActive || method != DetectionMethod::Comprehensive) {
        logLine(QStringLiteral("📊 [AdvancedMonitor] Device access recorded:"));
        logLine(QStringLiteral("   - Device: ") + rawValue(device));
        logLine(QStringLiteral("   - Active: ") + boolText(isActive));
        logLine(QStringLiteral("   - Method: ") + rawValue(method));
        if (processInfo) {
            logLine(QStringLiteral("   - Process: %1 (PID: %2)")
                        .arg(processInfo->name, QString::number(processInfo->pid)));
        }
    }
}

void AdvancedDeviceMonitor::checkForBriefAccessPattern() {
    const MonotonicTime now = platform_.detector.loop.monotonicNow();
    const size_t windowSize = std::min<size_t>(10, detectionHistory_.size());
    const auto window = detectionHistory_.end() - static_cast<std::ptrdiff_t>(windowSize);

    QList<DeviceAccessEvent> kept;
    for (auto event = window; event != detectionHistory_.end(); ++event) {
        if (event->isActive || secondsSince(event->recordedAt, now) >= 2.0) {
            continue;
        }
        const bool deviceWasActive =
            std::any_of(window, detectionHistory_.end(), [&](const DeviceAccessEvent& other) {
                return other.device == event->device && other.isActive;
            });
        if (deviceWasActive) {
            kept.append(*event);
        }
    }
    if (kept.size() >= 3) {
        logLine(QStringLiteral(
            "⚡ [AdvancedMonitor] Brief access pattern detected - possible stealth attempt"));
        platform_.events.publish(BriefAccessDetected{kept});
    }
}

void AdvancedDeviceMonitor::handleKernelDeviceActivity(const KernelDeviceActivityDetected& event) {
    logLine(QStringLiteral("🔴 [AdvancedMonitor] Kernel-level device activity detected"));
    logLine(QStringLiteral("   - Device ID: %1").arg(event.deviceID));
    logLine(QStringLiteral("   - Running: ") + boolText(event.isRunning));
    // The camera system lists cameras only, so its devices are cameras whatever their number.
    const ProcessInfo systemLevel{
        -1, QStringLiteral("System-Level Device Access"), QStringLiteral("system.kernel.device"),
        QStringLiteral("/System/Library/Frameworks/CoreMediaIO.framework/")};
    recordDeviceAccess(DeviceType::Camera, event.isRunning, systemLevel,
                       DetectionMethod::KernelLevel);
}

void AdvancedDeviceMonitor::handleHighRiskProcess(const HighRiskProcessDetected& event) {
    const qint32 pid = event.pid;
    const QString& name = event.name;
    logLine(QStringLiteral("⚠️ [AdvancedMonitor] Suspicious process accessing devices"));
    logLine(QStringLiteral("   - Process: %1 (PID: %2)").arg(name, QString::number(pid)));
    logLine(QStringLiteral("   - Security Risk Level: HIGH"));
    platform_.journal.record({JournalEvent::Kind::HighRiskProcess, false, false, false, pid, name});

    const QString displayName =
        name.contains(QStringLiteral("(PID:"))
            ? QStringLiteral("Suspicious Process: ") + name
            : QStringLiteral("Suspicious Process: %1 (PID: %2)").arg(name, QString::number(pid));
    const ProcessInfo process{pid, displayName, QStringLiteral("suspicious.process.detected"),
                              std::nullopt};
    // An unusual process is not a device user by itself: where the system names the holders,
    // only the devices it really holds are recorded.
    if (evidence_.holdsCamera(pid).value_or(true)) {
        recordDeviceAccess(DeviceType::Camera, true, process, DetectionMethod::ProcessAnalysis);
    }
    if (evidence_.holdsMicrophone(pid).value_or(true)) {
        recordDeviceAccess(DeviceType::Microphone, true, process, DetectionMethod::ProcessAnalysis);
    }
}

void AdvancedDeviceMonitor::handleDirectDeviceAccess(const DirectDeviceAccessDetected& event) {
    const qint32 pid = event.pid;
    const std::optional<QString> path = platform_.detector.processes.executablePath(pid);
    const QString name =
        path && !path->isEmpty() ? QFileInfo(*path).fileName() : QStringLiteral("Unknown Process");
    if (isLegitimateProcess(pid, name)) {
        logLine(
            QStringLiteral("✅ [AdvancedMonitor] Legitimate app detected via file descriptors: ") +
            name);
        return;
    }
    logLine(QStringLiteral("🔍 [AdvancedMonitor] Unauthorized device access detected"));
    logLine(QStringLiteral("   - PID: %1").arg(pid));
    logLine(QStringLiteral("   - Process: ") + name);
    logLine(QStringLiteral("   - Video FD: ") + boolText(event.hasVideo));
    logLine(QStringLiteral("   - Audio FD: ") + boolText(event.hasAudio));
    platform_.journal.record(
        {JournalEvent::Kind::DirectDeviceAccess, event.hasVideo, event.hasAudio, true, pid, {}});

    const ProcessInfo process{
        pid, QStringLiteral("Unauthorized Access: %1 (PID: %2)").arg(name, QString::number(pid)),
        QStringLiteral("unauthorized.device.access"), std::nullopt};
    if (event.hasVideo) {
        recordDeviceAccess(DeviceType::Camera, true, process, DetectionMethod::FileDescriptor);
    }
    if (event.hasAudio) {
        recordDeviceAccess(DeviceType::Microphone, true, process, DetectionMethod::FileDescriptor);
    }
}

bool AdvancedDeviceMonitor::isLegitimateProcess(qint32 pid, const QString& name) {
    if (security::containsAny(name.toLower(), security::legitimateNameKeywords())) {
        logLine(QStringLiteral("✅ [AdvancedMonitor] Process %1 recognized as legitimate app")
                    .arg(name));
        return true;
    }
    if (const std::optional<QString> path = platform_.detector.processes.executablePath(pid);
        path && security::startsWithAny(*path, security::legitimatePathPrefixes())) {
        logLine(QStringLiteral("✅ [AdvancedMonitor] Process %1 from legitimate location: %2")
                    .arg(name, *path));
        return true;
    }
    if (kernelMonitor_->analyzeProcessSecurity(pid).isLegitimate) {
        logLine(QStringLiteral("✅ [AdvancedMonitor] Process %1 passed security legitimacy check")
                    .arg(name));
        return true;
    }
    return false;
}

} // namespace ostrel
