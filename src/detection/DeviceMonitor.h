#pragma once

#include "base/MainRunLoop.h"
#include "detection/DeviceMonitorDelegate.h"
#include "detection/ProcessCandidate.h"
#include "detection/ProcessInfo.h"
#include "detection/ProcessOperations.h"
#include "platform/AudioSystem.h"
#include "platform/CameraService.h"
#include "platform/ChildProcessRunner.h"
#include "platform/ProcessServices.h"
#include "platform/RunningApplicationsService.h"

#include <optional>

namespace ostrel {

// What the detector asks of the machine.
struct DeviceMonitorPlatform {
    MainRunLoop& loop;
    CameraService& cameras;
    AudioSystem& audio;
    RunningApplicationsService& applications;
    const ProcessServices& processes;
    ChildProcessRunner& children;
};

// Watches the camera and the microphone: four times a second it senses whether another
// program uses either, accepts a change after a debounce and a report cooldown, names the
// process behind it and reports it to its delegate. All of it runs on the main thread.
//
// The work is split by concern: the check cycle (DeviceMonitorCheckCycle.cpp), microphone
// attribution (MicrophoneAttribution.cpp), camera attribution (CameraAttribution.cpp), and
// start, stop and system events (DeviceMonitorLifecycle.cpp).
class DeviceMonitor final : private CameraObserver, private AudioSystemObserver {
public:
    static constexpr double minimumStateChangeInterval = 0.3;
    static constexpr double notificationCooldown = 0.5;
    static constexpr double checkInterval = 0.25;
    static constexpr double processDetectionStabilityInterval = 0.5;

    explicit DeviceMonitor(DeviceMonitorPlatform platform);
    ~DeviceMonitor();
    DeviceMonitor(const DeviceMonitor&) = delete;
    DeviceMonitor& operator=(const DeviceMonitor&) = delete;

    WeakRef<DeviceMonitorDelegate> delegate;
    bool debugLoggingEnabled = false;

    // Accepted state, read by everyone else.
    bool isCameraActive() const { return isCameraActive_; }
    bool isMicrophoneActive() const { return isMicrophoneActive_; }
    int checkCounter() const { return checkCounter_; }
    bool isMonitoring() const { return deviceCheckTimer_.isActive(); }

    // Lifecycle.
    void startMonitoring();
    void stopMonitoring();
    void handleMediaServicesReset();
    void handleDeviceChange();
    void printDeviceStatus();

    // Check cycle.
    void checkDevices();
    void checkCameraStatus();
    void checkMicrophoneStatus();
    bool isCameraInUse();
    bool isMicrophoneInUse();
    bool isPhotoBoothUsingCamera();
    bool isDefaultInputDeviceRunning();

    // Microphone attribution.
    std::optional<ProcessInfo> detectMicrophoneProcessAtStateChange();
    std::optional<ProcessInfo> getMicrophoneProcess();

    // Camera attribution.
    std::optional<ProcessInfo> getCameraProcess();

private:
    // One device's accepted state and the time stamps of its rate limits.
    struct Track {
        LastOccurrence lastStateChange;
        LastOccurrence lastNotification;
    };

    void checkStatus(DeviceType device);
    bool passesRateLimits(DeviceType device, const Track& track, MonotonicTime now);
    void verbose(const QString& line) const;

    std::optional<ProcessInfo> microphoneHolderProcess();
    std::optional<ProcessInfo> detectActualAudioProcess();
    std::optional<ProcessInfo> detectAudioTapProcess();
    std::optional<ProcessInfo> detectProcessFromInputStreams(AudioDeviceId device);
    std::optional<ProcessInfo> findLikelyAudioProcess();

    std::optional<ProcessInfo> cameraHolderProcess();
    std::optional<ProcessInfo> detectCameraProcessByPriority();
    std::optional<ProcessInfo> detectCameraProcessViaLsof();
    ProcessInfo findFallbackCameraProcess();
    // Caches a ranking or holder answer: confirms, switches or sets the camera cache.
    void rememberCameraProcess(const ProcessInfo& process, MonotonicTime now);

    void printRunningMediaApps();
    void endObservations();

    // CameraObserver and AudioSystemObserver: the system's device events.
    void cameraConnected() override;
    void cameraDisconnected() override;
    void cameraUsageMayHaveChanged() override;
    void inputDeviceConnected() override;
    void inputDeviceDisconnected() override;
    void mediaServicesReset() override;
    void microphoneUsageMayHaveChanged() override;
    void deviceConnected();

    DeviceMonitorPlatform platform_;
    ProcessOperations operations_;

    int checkCounter_ = 0;
    bool isCameraActive_ = false;
    bool isMicrophoneActive_ = false;
    Track camera_;
    Track microphone_;
    std::optional<ProcessInfo> lastCameraProcessInfo_;
    std::optional<ProcessInfo> lastMicrophoneProcessInfo_;
    std::optional<ProcessInfo> lastDetectedMicrophoneProcess_;

    std::optional<ProcessInfo> lastDetectedCameraProcess_;
    LastOccurrence lastCameraDetectionTime_;

    TimerHandle deviceCheckTimer_;
    bool observing_ = false;
};

} // namespace ostrel
