#pragma once

#include "base/MonotonicTime.h"
#include "detection/DeviceType.h"
#include "detection/ProcessInfo.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace ostrel {

// Which path produced an access record; the raw values are printed.
enum class DetectionMethod {
    AvFoundation,
    KernelLevel,
    FileDescriptor,
    ProcessAnalysis,
    Comprehensive,
};

QString rawValue(DetectionMethod method);

struct DeviceAccessEvent {
    DeviceType device = DeviceType::Camera;
    bool isActive = false;
    std::optional<ProcessInfo> processInfo;
    DetectionMethod detectionMethod = DetectionMethod::AvFoundation;
    QDateTime timestamp;        // wall clock, for display
    MonotonicTime recordedAt{}; // for the age of the record
};

// How Ostrel judges a process from its name and location alone.
struct ProcessSecurityInfo {
    bool hasCameraEntitlement = false;
    bool hasMicrophoneEntitlement = false;
    bool isSandboxed = false;
    bool isLegitimate = false;
};

} // namespace ostrel
