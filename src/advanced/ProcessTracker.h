#pragma once

#include "advanced/AdvancedMonitorPlatform.h"
#include "advanced/DeviceHolderEvidence.h"
#include "advanced/KernelDeviceMonitor.h"

#include <map>
#include <memory>
#include <vector>

namespace ostrel {

struct DetailedProcessInfo {
    qint32 pid = 0;
    QString name; // executable file name; empty when the path cannot be read
    QString path; // executable path; empty when it cannot be read
    quint64 virtualSize = 0;
    quint64 residentSize = 0;
    quint64 totalUser = 0;
    quint64 totalSystem = 0;
};

// Watches the machine's processes for camera or microphone use the detector would not name:
// new processes every 3 s, every launched application, and (with brief-access detection) a
// 0.5 s sweep over suspicious-looking processes. Findings are published as
// HighRiskProcessDetected and DirectDeviceAccessDetected events.
//
// Both timers cost in proportion to what changed: the process list is compared with the last
// one, and a process is judged by its executable when it appears and again at the sweeps of
// its first two seconds (a fork becomes its program then). A settled suspicious process is
// looked at again when the devices' holders change; its descriptors are counted only where
// the system cannot name a device's holders.
class ProcessTracker final : private RunningApplicationsObserver {
public:
    static constexpr double scanInterval = 3.0;
    static constexpr double sweepInterval = 0.5;
    static constexpr int descriptorThreshold = 20;
    static constexpr int sweepsToSettle = 4;

    explicit ProcessTracker(const AdvancedMonitorPlatform& platform);
    ~ProcessTracker();
    ProcessTracker(const ProcessTracker&) = delete;
    ProcessTracker& operator=(const ProcessTracker&) = delete;

    void startTracking();
    void startBriefAccessDetection();
    void stopTracking();

    void scanProcesses();
    void sweepForBriefAccess();
    bool isSuspiciousProcess(const DetailedProcessInfo& process) const;
    void analyzeFileDescriptors(qint32 pid);
    void checkProcessPath(qint32 pid);
    void checkMemoryUsage(qint32 pid);

private:
    // What was last reported of a process, so a finding is published once, not every sweep.
    struct DirectAccessFinding {
        QString path;
        bool hasVideo = false;
        bool hasAudio = false;
        bool operator==(const DirectAccessFinding&) const = default;
    };

    // What the sweep knows of a listed process.
    struct SweptProcess {
        bool suspicious = false;
        int sweeps = 0; // judged afresh while below sweepsToSettle
    };

    DetailedProcessInfo describeProcess(qint32 pid, bool withTaskFigures) const;
    // `process` needs its name and path only; `holders` is what the system says at this moment.
    void analyzeFileDescriptors(const DetailedProcessInfo& process,
                                const DeviceHolderEvidence::Holders& holders);
    // The guess for a device whose holders the system cannot name: the executable's name or
    // path has one of the device's words.
    static bool likelyUsesCamera(const DetailedProcessInfo& process);
    static bool likelyUsesMicrophone(const DetailedProcessInfo& process);
    static bool isNamedLike(const DetailedProcessInfo& process, const QStringList& nameKeywords,
                            const QStringList& pathKeywords);
    void analyzeNewProcess(const DetailedProcessInfo& process);
    void analyzeLaunchedApplication(const RunningApplication& application);
    // `running` is ascending.
    void forgetEndedProcesses(const std::vector<qint32>& running);

    void applicationLaunched(const RunningApplicationRef& application) override;
    void applicationTerminated(const RunningApplicationRef& application) override;

    AdvancedMonitorPlatform platform_;
    DeviceHolderEvidence evidence_;
    TimerHandle processMonitorTimer_;
    TimerHandle briefAccessTimer_;
    std::vector<qint32> previousProcesses_; // ascending
    std::map<qint32, SweptProcess> swept_;
    DeviceHolderEvidence::Holders lastHolders_; // at the last sweep that had suspicious processes
    std::unique_ptr<KernelDeviceMonitor> kernelMonitor_;
    bool observingApplications_ = false;
    std::map<qint32, DirectAccessFinding> findings_;
};

} // namespace ostrel
