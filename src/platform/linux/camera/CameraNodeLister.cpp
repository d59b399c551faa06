#include "platform/linux/camera/CameraNodeLister.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace ostrel {
namespace {

constexpr QByteArrayView kNodePrefix = "video";
// sysfs names are short; the cap only guards against a tree that is not really sysfs.
constexpr qint64 kMaxNameSize = 256;

QString childPath(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// Character devices are the real nodes; regular files stand in for them in test folders.
// Symbolic links are aliases of a node that is listed under its own name.
bool isNodeEntry(int folderFd, const dirent& entry) {
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN) {
        struct stat status = {};
        if (::fstatat(folderFd, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
            return false;
        }
        type = S_ISCHR(status.st_mode) ? DT_CHR : S_ISREG(status.st_mode) ? DT_REG : DT_UNKNOWN;
    }
    return type == DT_CHR || type == DT_REG;
}

} // namespace

CameraNodeLister::CameraNodeLister(const QString& deviceFolder, const QString& sysRoot)
    : nameFolder_(childPath(sysRoot, QStringLiteral("class/video4linux"))) {
    const QString canonical = QFileInfo(deviceFolder).canonicalFilePath();
    deviceFolder_ = canonical.isEmpty() ? QDir::cleanPath(deviceFolder) : canonical;
}

bool CameraNodeLister::isCameraNodeName(QByteArrayView name) {
    return name.size() > kNodePrefix.size() && name.startsWith(kNodePrefix);
}

std::vector<CameraNode> CameraNodeLister::list() const {
    std::vector<CameraNode> nodes;
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(
        ::opendir(QFile::encodeName(deviceFolder_).constData()), &::closedir);
    if (!folder) {
        return nodes;
    }
    while (const dirent* entry = ::readdir(folder.get())) {
        if (isCameraNodeName(entry->d_name) && isNodeEntry(::dirfd(folder.get()), *entry)) {
            const QString name = QFile::decodeName(entry->d_name);
            nodes.push_back({childPath(deviceFolder_, name), displayName(name), devicePath(name)});
        }
    }
    std::sort(nodes.begin(), nodes.end(), [](const CameraNode& a, const CameraNode& b) {
        return a.path.size() != b.path.size() ? a.path.size() < b.path.size() : a.path < b.path;
    });
    return nodes;
}

QString CameraNodeLister::displayName(const QString& nodeName) const {
    QFile file(childPath(childPath(nameFolder_, nodeName), QStringLiteral("name")));
    if (file.open(QIODevice::ReadOnly)) {
        const QString name = QString::fromUtf8(file.read(kMaxNameSize)).trimmed();
        if (!name.isEmpty()) {
            return name;
        }
    }
    return nodeName;
}

QString CameraNodeLister::devicePath(const QString& nodeName) const {
    return QFileInfo(childPath(childPath(nameFolder_, nodeName), QStringLiteral("device")))
        .canonicalFilePath();
}

} // namespace ostrel
