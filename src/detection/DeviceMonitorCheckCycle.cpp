// The check cycle: sensing both devices and accepting or ignoring a change.
#include "base/Log.h"
#include "detection/AttributionKeywords.h"
#include "detection/DeviceMonitor.h"

#include <algorithm>

namespace ostrel {

namespace {

const QString kPhotoBoothIdentifier = QStringLiteral("com.apple.PhotoBooth");

QString emojiOf(DeviceType device) {
    return device == DeviceType::Camera ? QStringLiteral("📷") : QStringLiteral("🎤");
}

QString nameOrUnknown(const std::optional<ProcessInfo>& process) {
    return process ? process->name : QStringLiteral("Unknown");
}

} // namespace

void DeviceMonitor::verbose(const QString& line) const {
    if (debugLoggingEnabled) {
        logLine(line);
    }
}

void DeviceMonitor::checkDevices() {
    ++checkCounter_;
    if (debugLoggingEnabled && checkCounter_ % 100 == 0) {
        logLine(QStringLiteral("🔍 [DEBUG] Check cycle %1 - Fast monitoring active...")
                    .arg(checkCounter_));
    }
    checkCameraStatus();
    checkMicrophoneStatus();
}

bool DeviceMonitor::isCameraInUse() {
    QStringList activeCameraNames;
    bool hardwareInUse = false;
    for (const CaptureDevice& camera : platform_.cameras.cameras()) {
        if (camera.isInUseByAnotherApplication) {
            activeCameraNames.append(camera.localizedName);
            hardwareInUse = true;
            verbose(QStringLiteral("📷 [DEBUG] Camera in use detected: ") + camera.localizedName);
        }
    }

    bool knownAppActive = false;
    for (const RunningApplicationRef& application : platform_.applications.runningApplications()) {
        if (!application->bundleIdentifier) {
            continue;
        }
        const QString& identifier = *application->bundleIdentifier;
        if (keywords::knownCameraApplications().contains(identifier) && application->isActive) {
            knownAppActive = true;
            verbose(QStringLiteral("📷 [DEBUG] Known camera app is active: ") +
                    application->localizedName.value_or(identifier));
            break;
        }
    }

    bool photoBoothInUse = false;
    if (!hardwareInUse) {
        photoBoothInUse = isPhotoBoothUsingCamera();
        if (photoBoothInUse) {
            verbose(QStringLiteral(
                "📷 🎯 Photo Booth is active and visible - likely using camera in preview mode"));
        }
    }

    const bool result = hardwareInUse || photoBoothInUse || knownAppActive;
    if (result || checkCounter_ % 5 == 0) {
        logLine(QStringLiteral("📷 [DEBUG] Camera detection (cycle %1) - Hardware: %2, Apps: "
                               "%3, Final: %4")
                    .arg(checkCounter_)
                    .arg(boolText(hardwareInUse || photoBoothInUse), boolText(knownAppActive),
                         boolText(result)));
    }
    if (!activeCameraNames.isEmpty()) {
        QStringList quoted;
        for (const QString& name : activeCameraNames) {
            quoted.append(QLatin1Char('"') + name + QLatin1Char('"'));
        }
        logLine(QStringLiteral("📷 [DEBUG] Active camera devices: [") +
                quoted.join(QStringLiteral(", ")) + QLatin1Char(']'));
    }
    return result;
}

bool DeviceMonitor::isPhotoBoothUsingCamera() {
    RunningApplicationRef photoBooth;
    for (const RunningApplicationRef& application : platform_.applications.runningApplications()) {
        if (application->bundleIdentifier == kPhotoBoothIdentifier) {
            photoBooth = application;
            break;
        }
    }
    if (!photoBooth) {
        return false;
    }
    const bool active = photoBooth->isActive;
    const RunningApplicationRef frontmost = platform_.applications.frontmostApplication();
    const bool isFrontmost = frontmost && frontmost == photoBooth;

    const std::vector<qint32> windowOwners = platform_.applications.onScreenWindowOwnerPids();
    if (windowOwners.empty()) {
        return false;
    }
    if (std::find(windowOwners.begin(), windowOwners.end(), photoBooth->processIdentifier) ==
        windowOwners.end()) {
        return false;
    }
    if (!active && !isFrontmost) {
        return false;
    }
    verbose(QStringLiteral("🎯 Photo Booth state: active=%1, frontmost=%2, hasWindows=true")
                .arg(boolText(active), boolText(isFrontmost)));
    return true;
}

bool DeviceMonitor::isMicrophoneInUse() {
    bool deviceInUse = false;
    for (const CaptureDevice& microphone : platform_.audio.microphones()) {
        if (microphone.isInUseByAnotherApplication) {
            logLine(
                QStringLiteral("🎤 *** MICROPHONE IN USE DETECTED *** via the capture device: ") +
                microphone.localizedName);
            deviceInUse = true;
        }
    }
    if (deviceInUse) {
        return true;
    }
    if (isDefaultInputDeviceRunning()) {
        logLine(QStringLiteral(
            "🎤 *** MICROPHONE IN USE DETECTED *** via the sound server's device activity"));
        return true;
    }
    return false;
}

bool DeviceMonitor::isDefaultInputDeviceRunning() {
    // Problems are reported on every 20th cycle only, so a missing device does not flood the log.
    auto notRunning = [this](const QString& problem) {
        if (debugLoggingEnabled && checkCounter_ % 20 == 0) {
            logLine(QStringLiteral("🔍 [DEBUG] Sound server: ") + problem);
        }
        return false;
    };
    const AudioAnswer<AudioDeviceId> device = platform_.audio.defaultInputDevice();
    if (!device.ok()) {
        return notRunning(
            QStringLiteral("Could not get default input device (error: %1)").arg(device.status));
    }
    if (device.value == 0) {
        return notRunning(QStringLiteral("No default input device available"));
    }
    const AudioAnswer<bool> running = platform_.audio.isRunningSomewhere(device.value);
    if (!running.ok()) {
        return notRunning(QStringLiteral("Could not check device running status (error: %1)")
                              .arg(running.status));
    }
    if (running.value) {
        verbose(QStringLiteral("🔊 Sound server: Device is actively running"));
    }
    return running.value;
}

void DeviceMonitor::checkCameraStatus() {
    checkStatus(DeviceType::Camera);
}

void DeviceMonitor::checkMicrophoneStatus() {
    checkStatus(DeviceType::Microphone);
}

bool DeviceMonitor::passesRateLimits(DeviceType device, const Track& track, MonotonicTime now) {
    struct Limit {
        const LastOccurrence& last;
        double interval;
        QString refusal;
    };
    const Limit limits[] = {{track.lastStateChange, minimumStateChangeInterval,
                             QStringLiteral(" state change too rapid - debouncing")},
                            {track.lastNotification, notificationCooldown,
                             QStringLiteral(" notification cooldown active - suppressing")}};
    for (const Limit& limit : limits) {
        const double since = secondsSince(limit.last, now);
        if (since < limit.interval) {
            verbose(emojiOf(device) + QStringLiteral(" [DEBUG] ") + rawValue(device) +
                    limit.refusal +
                    QStringLiteral(" (time since last: %1s)").arg(since, 0, 'f', 3));
            return false;
        }
    }
    return true;
}

void DeviceMonitor::checkStatus(DeviceType device) {
    const MonotonicTime now = platform_.loop.monotonicNow();
    const bool isCamera = device == DeviceType::Camera;
    const bool reading = isCamera ? isCameraInUse() : isMicrophoneInUse();
    bool& accepted = isCamera ? isCameraActive_ : isMicrophoneActive_;
    if (reading == accepted) {
        return;
    }
    Track& track = isCamera ? camera_ : microphone_;
    if (!passesRateLimits(device, track, now)) {
        return;
    }

    const QString emoji = emojiOf(device);
    const QString word = rawValue(device);
    const bool old = accepted;
    logLine(emoji + QStringLiteral(" [FAST] %1 state changing: %2 → %3")
                        .arg(word, boolText(old), boolText(reading)));

    std::optional<ProcessInfo>& stored =
        isCamera ? lastCameraProcessInfo_ : lastMicrophoneProcessInfo_;
    std::optional<ProcessInfo> reported;
    if (reading) {
        const std::optional<ProcessInfo> found =
            isCamera ? getCameraProcess() : detectMicrophoneProcessAtStateChange();
        if (found) {
            logLine(emoji + QStringLiteral(" [FAST] Detected process immediately: ") + found->name);
            stored = found;
            if (!isCamera) {
                lastDetectedMicrophoneProcess_ = found;
            }
            reported = found;
        } else {
            logLine(emoji + QStringLiteral(" [WARNING] No process detected at %1 activation")
                                .arg(word.toLower()));
            // A microphone is never reported without a process: the placeholder stands in,
            // and is stored nowhere.
            if (!isCamera) {
                reported = ProcessInfo::microphonePlaceholder();
            }
        }
    } else {
        reported = stored;
        logLine(emoji + QStringLiteral(" [FAST] %1 deactivated, using stored process: ").arg(word) +
                nameOrUnknown(reported));
        stored.reset();
        if (!isCamera) {
            lastDetectedMicrophoneProcess_.reset();
        }
        logLine(emoji + QStringLiteral(" [CLEAR] Cleared stored process info on deactivation"));
    }

    accepted = reading;
    track.lastStateChange = now;
    track.lastNotification = now;
    logLine(emoji +
            QStringLiteral(" %1 status changed (fast): %2 → %3 | Process: ")
                .arg(word, boolText(old), boolText(reading)) +
            nameOrUnknown(reported));

    if (DeviceMonitorDelegate* receiver = delegate.get()) {
        receiver->deviceAccessChanged(device, reading, reported);
    }
}

} // namespace ostrel
