#include "advanced/ProcessTracker.h"

#include "advanced/MonitorEvents.h"
#include "advanced/SecurityKeywords.h"
#include "base/Log.h"

#include <QFileInfo>
#include <algorithm>
#include <iterator>

namespace ostrel {
namespace {

// Whether the process is among a device's holders (ascending); nothing when the system cannot
// name them.
std::optional<bool> isAmong(const std::optional<std::vector<qint32>>& holders, qint32 pid) {
    if (!holders) {
        return std::nullopt;
    }
    return std::binary_search(holders->begin(), holders->end(), pid);
}

} // namespace

ProcessTracker::ProcessTracker(const AdvancedMonitorPlatform& platform)
    : platform_(platform), evidence_(platform.detector.cameras, platform.detector.audio) {}

ProcessTracker::~ProcessTracker() {
    if (observingApplications_) {
        platform_.detector.applications.removeObserver(this);
    }
}

void ProcessTracker::startTracking() {
    logLine(QStringLiteral("🔍 [ProcessTracker] Starting advanced process tracking..."));
    kernelMonitor_ = std::make_unique<KernelDeviceMonitor>(platform_);
    processMonitorTimer_ =
        platform_.detector.loop.scheduleRepeating(scanInterval, [this] { scanProcesses(); });
    if (!observingApplications_) {
        platform_.detector.applications.addObserver(this);
        observingApplications_ = true;
    }
    logLine(QStringLiteral("✅ [ProcessTracker] Process tracking initialized"));
}

void ProcessTracker::startBriefAccessDetection() {
    briefAccessTimer_ =
        platform_.detector.loop.scheduleRepeating(sweepInterval, [this] { sweepForBriefAccess(); });
    logLine(QStringLiteral("⚡ [ProcessTracker] Brief access detection enabled"));
}

void ProcessTracker::stopTracking() {
    logLine(QStringLiteral("🛑 [ProcessTracker] Stopping process tracking..."));
    processMonitorTimer_.cancel();
    briefAccessTimer_.cancel();
    if (observingApplications_) {
        platform_.detector.applications.removeObserver(this);
        observingApplications_ = false;
    }
}

DetailedProcessInfo ProcessTracker::describeProcess(qint32 pid, bool withTaskFigures) const {
    const ProcessServices& processes = platform_.detector.processes;
    DetailedProcessInfo info;
    info.pid = pid;
    if (const std::optional<QString> path = processes.executablePath(pid); path) {
        info.path = *path;
        info.name = QFileInfo(*path).fileName();
    }
    if (withTaskFigures) {
        if (const std::optional<TaskFigures> figures = processes.taskFigures(pid)) {
            info.virtualSize = figures->virtualSize;
            info.residentSize = figures->residentSize;
            info.totalUser = figures->totalUser;
            info.totalSystem = figures->totalSystem;
        }
    }
    return info;
}

void ProcessTracker::scanProcesses() {
    // Only the ids are compared; new processes are described afresh below.
    std::vector<qint32> current = platform_.detector.processes.allPids();
    std::vector<qint32> started;
    std::set_difference(current.begin(), current.end(), previousProcesses_.begin(),
                        previousProcesses_.end(), std::back_inserter(started));
    for (const qint32 pid : started) {
        analyzeNewProcess(describeProcess(pid, true));
    }
    forgetEndedProcesses(current);
    previousProcesses_ = std::move(current);
}

void ProcessTracker::sweepForBriefAccess() {
    const std::vector<qint32> running = platform_.detector.processes.allPids();
    // With the description it was judged by just now; none for a settled process.
    std::vector<std::pair<qint32, std::optional<DetailedProcessInfo>>> suspicious;
    // Both are ascending: one walk finds the ended, the new and the known processes.
    auto known = swept_.begin();
    for (const qint32 pid : running) {
        while (known != swept_.end() && known->first < pid) {
            known = swept_.erase(known);
        }
        if (known == swept_.end() || known->first != pid) {
            known = swept_.emplace_hint(known, pid, SweptProcess{});
        }
        SweptProcess& process = known->second;
        std::optional<DetailedProcessInfo> judgedBy;
        if (process.sweeps < sweepsToSettle) {
            ++process.sweeps;
            // The sweep judges by name and path; task figures are not needed for that.
            judgedBy = describeProcess(pid, false);
            process.suspicious = isSuspiciousProcess(*judgedBy);
        }
        if (process.suspicious) {
            suspicious.emplace_back(pid, std::move(judgedBy));
        }
        ++known;
    }
    swept_.erase(known, swept_.end());
    forgetEndedProcesses(running);
    if (suspicious.empty()) {
        return;
    }
    // A settled suspicious process is looked at again only when what the system says of the
    // devices' holders changed, or when it cannot say and only the descriptors tell.
    DeviceHolderEvidence::Holders holders = evidence_.holders();
    const bool mayHaveChanged = holders != lastHolders_ || !holders.camera || !holders.microphone;
    lastHolders_ = std::move(holders);
    for (const auto& [pid, judgedBy] : suspicious) {
        if (judgedBy) {
            analyzeFileDescriptors(*judgedBy, lastHolders_);
        } else if (mayHaveChanged) {
            analyzeFileDescriptors(describeProcess(pid, false), lastHolders_);
        }
    }
}

void ProcessTracker::forgetEndedProcesses(const std::vector<qint32>& running) {
    std::erase_if(findings_, [&](const auto& entry) {
        return !std::binary_search(running.begin(), running.end(), entry.first);
    });
}

void ProcessTracker::analyzeNewProcess(const DetailedProcessInfo& process) {
    if (!isSuspiciousProcess(process)) {
        return;
    }
    logLine(QStringLiteral("🚨 [ProcessTracker] Suspicious process detected:"));
    logLine(QStringLiteral("   - Name: ") + process.name);
    logLine(QStringLiteral("   - PID: %1").arg(process.pid));
    logLine(QStringLiteral("   - Path: ") + process.path);
    analyzeFileDescriptors(process, evidence_.holders());
    checkProcessPath(process.pid);
    checkMemoryUsage(process.pid);
}

bool ProcessTracker::isSuspiciousProcess(const DetailedProcessInfo& process) const {
    const QString name = process.name.toLower();
    const QString path = process.path.toLower();
    for (const QString& keyword : security::suspiciousKeywords()) {
        if (name.contains(keyword) || path.contains(keyword)) {
            return true;
        }
    }
    return security::startsWithAny(process.path, security::temporaryPathPrefixes());
}

void ProcessTracker::analyzeFileDescriptors(qint32 pid) {
    analyzeFileDescriptors(describeProcess(pid, false), evidence_.holders());
}

void ProcessTracker::analyzeFileDescriptors(const DetailedProcessInfo& process,
                                            const DeviceHolderEvidence::Holders& holders) {
    const qint32 pid = process.pid;
    const std::optional<bool> holdsCamera = isAmong(holders.camera, pid);
    const std::optional<bool> holdsMicrophone = isAmong(holders.microphone, pid);
    // The descriptor-count guess is only needed for a device whose holders the system cannot
    // name, so only then are the descriptors walked; a process the system names as holder is
    // reported whatever its count.
    bool countLicensesGuess = false;
    if (!holdsCamera || !holdsMicrophone) {
        const std::optional<int> count = platform_.detector.processes.descriptorCount(pid);
        countLicensesGuess = count && *count > descriptorThreshold;
    }
    const bool video = holdsCamera ? *holdsCamera : countLicensesGuess && likelyUsesCamera(process);
    const bool audio =
        holdsMicrophone ? *holdsMicrophone : countLicensesGuess && likelyUsesMicrophone(process);

    DirectAccessFinding finding{process.path, video, audio};
    const auto previous = findings_.find(pid);
    const bool alreadyReported = previous != findings_.end() && previous->second == finding;
    findings_[pid] = finding;
    if (alreadyReported || (!video && !audio)) {
        return;
    }
    if (video) {
        logLine(QStringLiteral("📹 [ProcessTracker] Process %1 likely has camera access (high FD "
                               "count)")
                    .arg(pid));
    }
    if (audio) {
        logLine(QStringLiteral("🎵 [ProcessTracker] Process %1 likely has microphone access (high "
                               "FD count)")
                    .arg(pid));
    }
    platform_.events.publish(DirectDeviceAccessDetected{pid, video, audio});
}

bool ProcessTracker::likelyUsesCamera(const DetailedProcessInfo& process) {
    return isNamedLike(process, security::cameraNameKeywords(), security::cameraPathKeywords());
}

bool ProcessTracker::likelyUsesMicrophone(const DetailedProcessInfo& process) {
    return isNamedLike(process, security::microphoneNameKeywords(),
                       security::microphonePathKeywords());
}

bool ProcessTracker::isNamedLike(const DetailedProcessInfo& process,
                                 const QStringList& nameKeywords, const QStringList& pathKeywords) {
    if (process.pid < 1 || process.path.isEmpty()) {
        return false;
    }
    return security::containsAny(process.name.toLower(), nameKeywords) ||
           security::containsAny(process.path.toLower(), pathKeywords);
}

void ProcessTracker::checkProcessPath(qint32 pid) {
    const QString path = pid >= 1 ? describeProcess(pid, false).path : QString();
    if (path.isEmpty()) {
        logLine(
            QStringLiteral("⚠️ [ProcessTracker] Process %1 has no accessible path").arg(pid));
        return;
    }
    if (!path.startsWith(QLatin1Char('/'))) {
        logLine(
            QStringLiteral("⚠️ [ProcessTracker] Process %1 has suspicious path: ").arg(pid) +
            path);
    }
    if (!security::startsWithAny(path, security::usualLocations())) {
        logLine(QStringLiteral("⚠️ [ProcessTracker] Process %1 running from unusual location: ")
                    .arg(pid) +
                path);
    }
}

void ProcessTracker::checkMemoryUsage(qint32 pid) {
    const std::optional<TaskFigures> figures = platform_.detector.processes.taskFigures(pid);
    if (!figures) {
        return;
    }
    const double gigabytes = static_cast<double>(figures->virtualSize) / 1024.0 / 1024.0 / 1024.0;
    if (gigabytes > 10.0) {
        logLine(
            QStringLiteral("⚠️ [ProcessTracker] Process %1 has unusually high virtual memory: "
                           "%2GB")
                .arg(pid)
                .arg(gigabytes, 0, 'f', 2));
    }
}

void ProcessTracker::applicationLaunched(const RunningApplicationRef& application) {
    if (!application) {
        return;
    }
    logLine(QStringLiteral("🚀 [ProcessTracker] Application launched: %1 (PID: %2)")
                .arg(ProcessOperations::displayName(*application),
                     QString::number(application->processIdentifier)));
    analyzeLaunchedApplication(*application);
}

void ProcessTracker::applicationTerminated(const RunningApplicationRef& application) {
    if (!application) {
        return;
    }
    logLine(QStringLiteral("🛑 [ProcessTracker] Application terminated: %1 (PID: %2)")
                .arg(ProcessOperations::displayName(*application),
                     QString::number(application->processIdentifier)));
}

void ProcessTracker::analyzeLaunchedApplication(const RunningApplication& application) {
    const qint32 pid = application.processIdentifier;
    const QString name = ProcessOperations::displayName(application);
    if (kernelMonitor_) {
        const ProcessSecurityInfo security = kernelMonitor_->analyzeProcessSecurity(pid);
        if (!security.isLegitimate) {
            logLine(QStringLiteral("⚠️ [ProcessTracker] High-risk process detected:"));
            logLine(QStringLiteral("   - Process: %1 (PID: %2)").arg(name, QString::number(pid)));
            logLine(QStringLiteral("   - Sandboxed: ") + boolText(security.isSandboxed));
            logLine(QStringLiteral("   - Camera entitlement: ") +
                    boolText(security.hasCameraEntitlement));
            logLine(QStringLiteral("   - Microphone entitlement: ") +
                    boolText(security.hasMicrophoneEntitlement));
            platform_.events.publish(HighRiskProcessDetected{pid, name, security});
        }
    }
    analyzeFileDescriptors(pid);
    checkProcessPath(pid);
    checkMemoryUsage(pid);
}

} // namespace ostrel
