// Which process uses the microphone: the system's own answer when it has one, then a
// chain of tests from the most to the least direct. Ostrel never names itself.
#include "base/Log.h"
#include "detection/AttributionKeywords.h"
#include "detection/DeviceMonitor.h"

#include <algorithm>

namespace ostrel {

namespace {

bool isLikelyAudio(const RunningApplication& application) {
    return isLikelyAudioApp(*application.bundleIdentifier, application.localizedName);
}

} // namespace

std::optional<ProcessInfo> DeviceMonitor::detectMicrophoneProcessAtStateChange() {
    logLine(QStringLiteral("🎤 [DETECT] Starting detection at state change moment..."));

    if (std::optional<ProcessInfo> holder = microphoneHolderProcess()) {
        return holder;
    }
    if (std::optional<ProcessInfo> found = detectActualAudioProcess()) {
        logLine(QStringLiteral("🎤 [CORE-AUDIO] Found actual audio process: ") + found->name);
        return found;
    }

    RunningApplicationsService& applications = platform_.applications;
    if (RunningApplicationRef frontmost = applications.frontmostApplication();
        frontmost && ProcessOperations::isOtherIdentifiedApplication(*frontmost) &&
        isLikelyAudio(*frontmost)) {
        logLine(QStringLiteral("🎤 [STATE-DETECT] Frontmost app likely using mic: ") +
                ProcessOperations::displayName(*frontmost));
        return ProcessOperations::fromApplication(*frontmost);
    }

    const std::vector<RunningApplicationRef> running = applications.runningApplications();
    for (const RunningApplicationRef& application : running) {
        if (ProcessOperations::isOtherIdentifiedApplication(*application) &&
            application->regularActivationPolicy && application->isActive &&
            application->bundlePath &&
            operations_.hasMediaUsageDeclaration(*application->bundlePath)) {
            logLine(QStringLiteral("🎤 [STATE-DETECT] Active app with mic permissions: ") +
                    ProcessOperations::displayName(*application));
            return ProcessOperations::fromApplication(*application);
        }
    }
    // A merely running application with an audio-like identity is accepted here.
    for (const RunningApplicationRef& application : running) {
        if (ProcessOperations::isOtherIdentifiedApplication(*application) &&
            isLikelyAudio(*application)) {
            logLine(QStringLiteral("🎤 [STATE-DETECT] Known audio app running: ") +
                    ProcessOperations::displayName(*application));
            return ProcessOperations::fromApplication(*application);
        }
    }

    logLine(QStringLiteral("🎤 [STATE-DETECT] No confident process detection at state change"));
    return std::nullopt;
}

// The sound server knows exactly which clients record from the default input; a guess
// from running applications is only needed when it names none.
std::optional<ProcessInfo> DeviceMonitor::microphoneHolderProcess() {
    const qint32 ownPid = platform_.processes.ownPid();
    for (qint32 pid : platform_.audio.holderPids()) {
        if (pid == ownPid || pid <= 0) {
            continue;
        }
        ProcessInfo holder = operations_.makeProcessInfo(pid);
        logLine(QStringLiteral("🎤 [HOLDER] Microphone recorded by %1 (PID: %2)")
                    .arg(holder.name, QString::number(pid)));
        return holder;
    }
    return unnamedHolderProcess(platform_.audio.unnamedHolders(), QStringLiteral("🎤"));
}

std::optional<ProcessInfo> DeviceMonitor::detectActualAudioProcess() {
    logLine(QStringLiteral("🎤 [CORE-AUDIO] Attempting to detect actual audio process..."));
    if (std::optional<ProcessInfo> ranked = detectAudioTapProcess()) {
        return ranked;
    }

    const AudioAnswer<AudioDeviceId> device = platform_.audio.defaultInputDevice();
    if (!device.ok() || device.value == 0) {
        logLine(QStringLiteral("🎤 [CORE-AUDIO] Failed to get default input device"));
        return std::nullopt;
    }
    const AudioAnswer<qint32> owner = platform_.audio.exclusiveOwner(device.value);
    if (owner.ok() && owner.value != -1 && owner.value != platform_.processes.ownPid()) {
        logLine(QStringLiteral("🎤 [CORE-AUDIO] Found hog mode process: %1").arg(owner.value));
        return operations_.makeProcessInfo(owner.value);
    }
    return detectProcessFromInputStreams(device.value);
}

std::optional<ProcessInfo> DeviceMonitor::detectAudioTapProcess() {
    logLine(
        QStringLiteral("🎤 [AUDIO-TAP] Attempting detection from the sound server's clients..."));
    std::vector<ProcessCandidate> candidates;
    for (const RunningApplicationRef& application : platform_.applications.runningApplications()) {
        if (!ProcessOperations::isOtherIdentifiedApplication(*application)) {
            continue;
        }
        const QString& identifier = *application->bundleIdentifier;
        const QString name = ProcessOperations::displayName(*application);
        const bool known = isKnownAudioApp(identifier);
        // Only an application that is not known needs its declaration read.
        const bool knownOrDeclared =
            known || operations_.hasMediaUsageDeclaration(operations_.applicationPath(identifier));

        int priority = 0;
        if (application->isActive && known) {
            priority = 100;
        }
        if (application->isActive && knownOrDeclared) {
            priority += 80;
        }
        if (known) {
            priority += 60;
        }
        if (knownOrDeclared) {
            priority += 40;
        }
        const AudioAnswer<quint32> client =
            platform_.audio.clientObjectForPid(application->processIdentifier);
        if (client.ok() && client.value != 0) {
            priority += 50;
            logLine(QStringLiteral("🎤 [AUDIO-TAP] Process ") + name +
                    QStringLiteral(" is a sound server client"));
        } else if (priority == 0) {
            continue;
        }
        candidates.push_back(
            {application->processIdentifier, name, identifier, application->bundlePath, priority});
    }

    return topCandidate(std::move(candidates), QStringLiteral("🎤 [AUDIO-TAP] Top candidate: "));
}

std::optional<ProcessInfo> DeviceMonitor::detectProcessFromInputStreams(AudioDeviceId device) {
    logLine(QStringLiteral("🎤 [STREAMS] Checking active streams on device %1...").arg(device));
    const AudioAnswer<std::vector<quint32>> streams = platform_.audio.inputStreams(device);
    if (!streams.ok() || streams.value.empty()) {
        logLine(QStringLiteral("🎤 [STREAMS] No input streams found"));
        return std::nullopt;
    }
    // The streams only license the keyword match; which stream is whose is not known here.
    logLine(QStringLiteral("🎤 [STREAMS] Found %1 input streams").arg(streams.value.size()));
    return findLikelyAudioProcess();
}

std::optional<ProcessInfo> DeviceMonitor::findLikelyAudioProcess() {
    RunningApplicationsService& applications = platform_.applications;
    if (RunningApplicationRef frontmost = applications.frontmostApplication();
        frontmost && ProcessOperations::isOtherIdentifiedApplication(*frontmost) &&
        isLikelyAudio(*frontmost)) {
        logLine(QStringLiteral("🎤 [LIKELY] Frontmost known audio app: ") +
                ProcessOperations::displayName(*frontmost));
        return ProcessOperations::fromApplication(*frontmost);
    }
    for (const RunningApplicationRef& application : applications.runningApplications()) {
        if (ProcessOperations::isOtherIdentifiedApplication(*application) &&
            application->isActive && isLikelyAudio(*application)) {
            logLine(QStringLiteral("🎤 [LIKELY] Active known audio app: ") +
                    ProcessOperations::displayName(*application));
            return ProcessOperations::fromApplication(*application);
        }
    }
    logLine(QStringLiteral("🎤 [LIKELY] No likely audio process found"));
    return std::nullopt;
}

std::optional<ProcessInfo> DeviceMonitor::getMicrophoneProcess() {
    if (!isMicrophoneActive_) {
        logLine(QStringLiteral("🎤 [INACTIVE] Microphone not active, returning nil"));
        return std::nullopt;
    }
    if (lastDetectedMicrophoneProcess_) {
        logLine(QStringLiteral("🎤 [CONSISTENT] Using process from state change detection: ") +
                lastDetectedMicrophoneProcess_->name);
        return lastDetectedMicrophoneProcess_;
    }
    logLine(QStringLiteral(
        "🎤 [PLACEHOLDER] Microphone active but no stored process, returning placeholder"));
    return ProcessInfo::microphonePlaceholder();
}

} // namespace ostrel
