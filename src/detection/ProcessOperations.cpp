#include "detection/ProcessOperations.h"

#include "base/ProductIdentity.h"

#include <QFileInfo>

namespace ostrel {

ProcessOperations::ProcessOperations(RunningApplicationsService& applications,
                                     const ProcessServices& processes)
    : applications_(applications), processes_(processes) {}

ProcessInfo ProcessOperations::fromApplication(const RunningApplication& application) {
    return {application.processIdentifier, displayName(application), application.bundleIdentifier,
            application.bundlePath};
}

QString ProcessOperations::displayName(const RunningApplication& application) {
    return application.localizedName.value_or(QStringLiteral("Unknown"));
}

bool ProcessOperations::isOtherIdentifiedApplication(const RunningApplication& application) {
    return application.bundleIdentifier && !isOwnBundleIdentifier(*application.bundleIdentifier);
}

ProcessInfo ProcessOperations::fromOwningApplication(qint32 holder,
                                                     const RunningApplication& application) {
    ProcessInfo info = fromApplication(application);
    // The holder itself is what is shown and what a block acts on; the application only
    // names it, which is also what allowed applications are matched against.
    info.pid = holder;
    return info;
}

ProcessInfo ProcessOperations::makeProcessInfo(qint32 pid) {
    const QString fallbackName = QStringLiteral("Process ") + QString::number(pid);
    if (RunningApplicationRef application = applications_.applicationOwning(pid)) {
        ProcessInfo info = fromOwningApplication(pid, *application);
        info.name = application->localizedName.value_or(fallbackName);
        return info;
    }
    const QString name = processes_.shortName(pid);
    return {pid, name.isEmpty() ? fallbackName : name, std::nullopt, std::nullopt};
}

std::optional<ProcessInfo> ProcessOperations::processDetails(qint32 pid) {
    if (RunningApplicationRef application = applications_.applicationOwning(pid)) {
        ProcessInfo info = fromOwningApplication(pid, *application);
        info.name = application->localizedName.value_or(
            application->bundleIdentifier.value_or(QStringLiteral("Unknown")));
        return info;
    }
    const std::optional<QString> executable = processes_.executablePath(pid);
    if (!executable || executable->isEmpty()) {
        return std::nullopt;
    }
    return ProcessInfo{pid, QFileInfo(*executable).fileName(), std::nullopt, std::nullopt};
}

bool ProcessOperations::isOwnBundleIdentifier(const QString& bundleIdentifier) {
    const QString lowered = bundleIdentifier.toLower();
    return lowered.contains(kProductNameLowercase) ||
           lowered.contains(kBundleIdentifierLowercase) || bundleIdentifier == kBundleIdentifier;
}

bool ProcessOperations::isOwnProcess(const ProcessInfo& process) const {
    if (process.bundleIdentifier && isOwnBundleIdentifier(*process.bundleIdentifier)) {
        return true;
    }
    // The one-word and the display form of the product's name are both "ostrel" lower-cased.
    if (process.name.toLower().contains(kProductNameLowercase)) {
        return true;
    }
    return process.pid == processes_.ownPid();
}

bool ProcessOperations::hasMediaUsageDeclaration(const QString& bundlePath) {
    if (bundlePath.isEmpty()) {
        return false;
    }
    const std::optional<QVariantMap> info = applications_.applicationInfo(bundlePath);
    if (!info) {
        return false;
    }
    if (info->contains(QStringLiteral("NSMicrophoneUsageDescription")) ||
        info->contains(QStringLiteral("NSCameraUsageDescription"))) {
        return true;
    }
    const QVariant audioInput =
        info->value(QStringLiteral("com.apple.security.device.audio-input"));
    return audioInput.typeId() == QMetaType::Bool && audioInput.toBool();
}

QString ProcessOperations::applicationPath(const QString& bundleIdentifier) {
    return applications_.applicationPath(bundleIdentifier).value_or(QString());
}

} // namespace ostrel
