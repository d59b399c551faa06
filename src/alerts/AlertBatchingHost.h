#pragma once

namespace ostrel {

// What the alert batching needs from the shell that owns it.
class AlertBatchingHost {
public:
    virtual bool isMonitoringActive() const = 0;
    // The detector's accepted states, read through the advanced monitor's detector;
    // false when there is no monitor.
    virtual bool isCameraActive() const = 0;
    virtual bool isMicrophoneActive() const = 0;
    virtual void updateStatusMenu(bool camera, bool microphone) = 0;

protected:
    ~AlertBatchingHost() = default;
};

} // namespace ostrel
