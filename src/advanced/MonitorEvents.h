#pragma once

#include "advanced/DeviceAccessEvent.h"

#include <QList>
#include <QString>

namespace ostrel {

// What the advanced monitor's parts tell each other over the event bus.

// The kernel-level monitor saw a camera device run.
struct KernelDeviceActivityDetected {
    quint32 deviceID = 0;
    bool isRunning = false;
};

// The process tracker judged a launched application not legitimate.
struct HighRiskProcessDetected {
    qint32 pid = 0;
    QString name;
    ProcessSecurityInfo securityInfo;
};

// The process tracker found a suspicious process that holds, or likely holds, a device.
struct DirectDeviceAccessDetected {
    qint32 pid = 0;
    bool hasVideo = false;
    bool hasAudio = false;
};

// The advanced monitor saw a device go on and off several times within two seconds; the
// events are the recent off records.
struct BriefAccessDetected {
    QList<DeviceAccessEvent> events;
};

} // namespace ostrel
