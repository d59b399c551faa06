#include "advanced/DeviceAccessEvent.h"

namespace ostrel {

QString rawValue(DetectionMethod method) {
    switch (method) {
    case DetectionMethod::AvFoundation:
        return QStringLiteral("AVFoundation");
    case DetectionMethod::KernelLevel:
        return QStringLiteral("Kernel-Level");
    case DetectionMethod::FileDescriptor:
        return QStringLiteral("File Descriptor");
    case DetectionMethod::ProcessAnalysis:
        return QStringLiteral("Process Analysis");
    case DetectionMethod::Comprehensive:
        return QStringLiteral("Comprehensive");
    }
    return {};
}

} // namespace ostrel
