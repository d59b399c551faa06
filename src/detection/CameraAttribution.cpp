// Which process uses the camera: the system's own answer when it has one, else a scored
// ranking, the open-file listing of the device folder and a fallback chain. A short cache
// keeps the answer stable while the same process stays the winner.
#include "base/Log.h"
#include "detection/AttributionKeywords.h"
#include "detection/DeviceMonitor.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>
#include <limits>

namespace ostrel {

namespace {

// The fallback chain names an application by its name, else its identifier.
ProcessInfo fallbackRecord(const RunningApplication& application) {
    ProcessInfo info = ProcessOperations::fromApplication(application);
    info.name = application.localizedName.value_or(
        application.bundleIdentifier.value_or(QStringLiteral("Unknown")));
    return info;
}

QString nameAndIdentifier(const RunningApplication& application) {
    return ProcessOperations::displayName(application) + QStringLiteral(" (") +
           *application.bundleIdentifier + QLatin1Char(')');
}

// A signed 32-bit decimal with an optional sign and nothing else.
std::optional<qint32> parsePid(QStringView text) {
    qsizetype index = 0;
    bool negative = false;
    if (!text.isEmpty() && (text[0] == QLatin1Char('+') || text[0] == QLatin1Char('-'))) {
        negative = text[0] == QLatin1Char('-');
        index = 1;
    }
    if (index == text.size()) {
        return std::nullopt;
    }
    qint64 value = 0;
    for (; index < text.size(); ++index) {
        const QChar c = text[index];
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return std::nullopt;
        }
        value = value * 10 + (c.unicode() - '0');
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1) {
            return std::nullopt;
        }
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<qint32>::max()) {
        return std::nullopt;
    }
    return static_cast<qint32>(value);
}

} // namespace

std::optional<ProcessInfo> DeviceMonitor::getCameraProcess() {
    const MonotonicTime now = platform_.loop.monotonicNow();
    if (lastDetectedCameraProcess_ &&
        secondsSince(lastCameraDetectionTime_, now) < processDetectionStabilityInterval) {
        logLine(QStringLiteral("📷 [STABLE] Using cached camera process: ") +
                lastDetectedCameraProcess_->name);
        return lastDetectedCameraProcess_;
    }

    if (std::optional<ProcessInfo> holder = cameraHolderProcess()) {
        rememberCameraProcess(*holder, now);
        return holder;
    }
    if (std::optional<ProcessInfo> ranked = detectCameraProcessByPriority();
        ranked && !operations_.isOwnProcess(*ranked)) {
        rememberCameraProcess(*ranked, now);
        return ranked;
    }
    // The open-file and fallback answers are given once and never cached.
    if (std::optional<ProcessInfo> listed = detectCameraProcessViaLsof();
        listed && !operations_.isOwnProcess(*listed)) {
        return listed;
    }
    if (lastDetectedCameraProcess_ &&
        secondsSince(lastCameraDetectionTime_, now) >= processDetectionStabilityInterval) {
        logLine(QStringLiteral("📷 [CLEAR] Clearing stale camera process cache"));
        lastDetectedCameraProcess_.reset();
    }
    if (ProcessInfo fallback = findFallbackCameraProcess(); !operations_.isOwnProcess(fallback)) {
        return fallback;
    }
    return std::nullopt;
}

void DeviceMonitor::rememberCameraProcess(const ProcessInfo& process, MonotonicTime now) {
    if (lastDetectedCameraProcess_ && lastDetectedCameraProcess_->pid == process.pid &&
        lastDetectedCameraProcess_->name == process.name) {
        lastCameraDetectionTime_ = now;
        return;
    }
    if (lastDetectedCameraProcess_) {
        logLine(QStringLiteral("📷 [SWITCH] Switching camera process: ") +
                lastDetectedCameraProcess_->name + QStringLiteral(" → ") + process.name);
    } else {
        logLine(QStringLiteral("📷 [NEW] First camera process detected: ") + process.name);
    }
    lastDetectedCameraProcess_ = process;
    lastCameraDetectionTime_ = now;
}

// Processes that hold a camera open are known exactly; they beat any guess. Only Ostrel's
// own pid is passed over: a process may call itself anything.
std::optional<ProcessInfo> DeviceMonitor::cameraHolderProcess() {
    const qint32 ownPid = platform_.processes.ownPid();
    for (qint32 pid : platform_.cameras.holderPids()) {
        if (pid == ownPid || pid <= 0) {
            continue;
        }
        if (std::optional<ProcessInfo> holder = operations_.processDetails(pid)) {
            logLine(QStringLiteral("📷 [HOLDER] Camera held open by %1 (PID: %2)")
                        .arg(holder->name, QString::number(pid)));
            return holder;
        }
    }
    return unnamedHolderProcess(platform_.cameras.unnamedHolders(), QStringLiteral("📷"));
}

std::optional<ProcessInfo> DeviceMonitor::detectCameraProcessByPriority() {
    logLine(QStringLiteral("📷 [PRIORITY] Attempting priority-based camera detection..."));
    const RunningApplicationRef frontmost = platform_.applications.frontmostApplication();
    std::vector<ProcessCandidate> candidates;
    for (const RunningApplicationRef& application : platform_.applications.runningApplications()) {
        if (!ProcessOperations::isOtherIdentifiedApplication(*application)) {
            continue;
        }
        const QString& identifier = *application->bundleIdentifier;
        const bool known = isKnownCameraApp(identifier);
        const bool likely = isLikelyCameraApp(identifier, application->localizedName);

        int priority = application->isActive && known ? 100 : 0;
        if (application->isActive && likely) {
            priority += 80;
        }
        if (known) {
            priority += 60;
        }
        if (likely) {
            priority += 40;
        }
        if (frontmost && frontmost == application) {
            priority += 30;
        }
        if (priority == 0) {
            continue;
        }
        candidates.push_back({application->processIdentifier,
                              ProcessOperations::displayName(*application), identifier,
                              application->bundlePath, priority});
    }

    return topCandidate(std::move(candidates),
                        QStringLiteral("📷 [PRIORITY] Top camera candidate: "));
}

std::optional<ProcessInfo> DeviceMonitor::detectCameraProcessViaLsof() {
    // The third argument is no redirection: no shell reads it, lsof gets it as it is.
    const ChildProcessResult result = platform_.children.run(
        QStringLiteral("/usr/bin/lsof"),
        {QStringLiteral("+D"), QStringLiteral("/dev/"), QStringLiteral("2>/dev/null")},
        ChildProcessRunner::StandardError::Discard);
    // A listing cut short by the time bound or a signal is no answer either.
    if (result.outcome != ChildProcessResult::Outcome::Exited) {
        logLine(QStringLiteral("🔍 [DEBUG] Video lsof command failed: ") + result.error);
        return std::nullopt;
    }

    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(result.standardOutput);
    if (decoder.hasError()) {
        text.clear();
    }
    static const QRegularExpression whiteSpace(QStringLiteral("\\s+"));
    const qint32 ownPid = platform_.processes.ownPid();
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (!line.contains(QStringLiteral("video")) && !line.contains(QStringLiteral("camera"))) {
            continue;
        }
        const QStringList pieces = line.split(whiteSpace, Qt::SkipEmptyParts);
        if (pieces.size() < 2) {
            continue;
        }
        const std::optional<qint32> pid = parsePid(pieces[1]);
        if (!pid || *pid <= 0 || *pid == ownPid) {
            continue;
        }
        if (std::optional<ProcessInfo> details = operations_.processDetails(*pid)) {
            logLine(QStringLiteral("📷 [DEBUG] Found camera process via lsof: %1 (PID: %2)")
                        .arg(details->name, QString::number(*pid)));
            return details;
        }
    }
    return std::nullopt;
}

ProcessInfo DeviceMonitor::findFallbackCameraProcess() {
    RunningApplicationsService& applications = platform_.applications;
    const RunningApplicationRef frontmost = applications.frontmostApplication();
    if (frontmost && frontmost->bundleIdentifier &&
        (isMediaKeywordApp(*frontmost->bundleIdentifier) ||
         isKnownMediaApp(*frontmost->bundleIdentifier))) {
        logLine(QStringLiteral("🔍 [DEBUG] Found frontmost app with media permissions: ") +
                nameAndIdentifier(*frontmost));
        return fallbackRecord(*frontmost);
    }

    const std::vector<RunningApplicationRef> running = applications.runningApplications();
    std::vector<RunningApplicationRef> sorted = running;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const RunningApplicationRef& a, const RunningApplicationRef& b) {
                         if (a->isActive != b->isActive) {
                             return a->isActive;
                         }
                         return a->bundleIdentifier.has_value() && !b->bundleIdentifier;
                     });
    static const QStringList systemMediaWords{"camera",   "audio", "mic",
                                              "facetime", "zoom",  "skype"};
    for (const RunningApplicationRef& application : sorted) {
        if (!application->bundleIdentifier) {
            const QString name = application->localizedName.value_or(QString()).toLower();
            const bool media =
                std::any_of(systemMediaWords.begin(), systemMediaWords.end(),
                            [&](const QString& word) { return name.contains(word); });
            if (application->localizedName && media) {
                logLine(QStringLiteral("🔍 [DEBUG] Found system media process: ") +
                        ProcessOperations::displayName(*application));
                return fallbackRecord(*application);
            }
            continue;
        }
        const QString& identifier = *application->bundleIdentifier;
        if (ProcessOperations::isOtherIdentifiedApplication(*application) &&
            (isMediaKeywordApp(identifier) || isKnownMediaApp(identifier) ||
             isMediaFamilyApp(identifier))) {
            logLine(QStringLiteral("🔍 [DEBUG] Found app with media capabilities: ") +
                    nameAndIdentifier(*application));
            return fallbackRecord(*application);
        }
    }

    for (const RunningApplicationRef& application : running) {
        if (ProcessOperations::isOtherIdentifiedApplication(*application) &&
            !application->bundleIdentifier->startsWith(QStringLiteral("com.apple.")) &&
            application->regularActivationPolicy) {
            logLine(QStringLiteral("🔍 [DEBUG] Fallback to recent regular app: ") +
                    nameAndIdentifier(*application));
            return fallbackRecord(*application);
        }
    }

    if (frontmost && ProcessOperations::isOtherIdentifiedApplication(*frontmost)) {
        logLine(QStringLiteral("🔍 [DEBUG] Last resort - using frontmost app: ") +
                nameAndIdentifier(*frontmost));
        return fallbackRecord(*frontmost);
    }
    logLine(QStringLiteral("🔍 [DEBUG] No suitable app found, returning unknown process"));
    return ProcessInfo::unknownProcess();
}

} // namespace ostrel
