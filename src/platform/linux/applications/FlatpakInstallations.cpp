#include "platform/linux/applications/FlatpakInstallations.h"

#include "platform/linux/applications/ApplicationIdentifier.h"
#include "platform/linux/applications/KeyFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace ostrel {
namespace {

constexpr qint64 kMaxMetadataSize = 1 << 20;
const QString kExportsSuffix = QStringLiteral("/exports/share");
const QString kExportedEntries = QStringLiteral("/export/share/applications");

std::optional<KeyFile> readMetadata(const QString& appDirectory) {
    QFile file(appDirectory + QStringLiteral("/metadata"));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxMetadataSize) {
        return std::nullopt;
    }
    KeyFile metadata = KeyFile::parse(file.read(kMaxMetadataSize));
    if (!metadata.hasGroup(QStringLiteral("Application"))) {
        return std::nullopt; // a runtime, or not Flatpak metadata at all
    }
    return metadata;
}

bool listContains(const KeyFile& metadata, const QString& key, QStringView element) {
    const QStringList elements = metadata.listValue(QStringLiteral("Context"), key);
    return std::any_of(elements.begin(), elements.end(),
                       [element](const QString& value) { return value.trimmed() == element; });
}

} // namespace

FlatpakInstallations::FlatpakInstallations(const QStringList& dataDirs) {
    for (const QString& dir : dataDirs) {
        const QString clean = QDir::cleanPath(dir);
        if (clean.endsWith(kExportsSuffix)) {
            installations_.append(clean.chopped(kExportsSuffix.size()));
        }
    }
}

std::optional<QString> FlatpakInstallations::appDirectory(const QString& appId) const {
    if (!ApplicationIdentifier::isValidFlatpakId(appId)) {
        return std::nullopt;
    }
    for (const QString& installation : installations_) {
        const QString directory =
            installation + QStringLiteral("/app/") + appId + QStringLiteral("/current/active");
        if (QFileInfo(directory + QStringLiteral("/metadata")).isFile()) {
            return directory;
        }
    }
    return std::nullopt;
}

std::optional<QString>
FlatpakInstallations::appDirectoryOfDesktopFile(const QString& desktopPath,
                                                const QString& flatpakId) const {
    if (!flatpakId.isEmpty()) {
        return appDirectory(flatpakId);
    }
    // Exported entries are links into "<app directory>/export/share/applications/".
    const QString target = QFileInfo(desktopPath).canonicalFilePath();
    const qsizetype exported = target.lastIndexOf(kExportedEntries + u'/');
    if (exported <= 0) {
        return std::nullopt;
    }
    const QString directory = target.left(exported);
    if (!readMetadata(directory)) {
        return std::nullopt;
    }
    return directory;
}

std::optional<QString> FlatpakInstallations::appIdOf(const QString& appDirectory) {
    const std::optional<KeyFile> metadata = readMetadata(appDirectory);
    if (!metadata) {
        return std::nullopt;
    }
    const QString id = metadata->value(QStringLiteral("Application"), QStringLiteral("name"))
                           .value_or(QString())
                           .trimmed();
    return ApplicationIdentifier::isValidFlatpakId(id) ? std::optional(id) : std::nullopt;
}

std::optional<QVariantMap> FlatpakInstallations::declarations(const QString& appDirectory) {
    const std::optional<KeyFile> metadata = readMetadata(appDirectory);
    if (!metadata) {
        return std::nullopt;
    }
    QVariantMap declared;
    if (listContains(*metadata, QStringLiteral("devices"), u"all")) {
        declared.insert(QStringLiteral("NSCameraUsageDescription"),
                        QStringLiteral("Flatpak permission devices=all"));
    }
    if (listContains(*metadata, QStringLiteral("sockets"), u"pulseaudio")) {
        declared.insert(QStringLiteral("NSMicrophoneUsageDescription"),
                        QStringLiteral("Flatpak permission sockets=pulseaudio"));
    }
    return declared;
}

} // namespace ostrel
