#include "activitylog/FileReplacement.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace ostrel {

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Makes the rename itself durable. Some file systems cannot sync a folder; the new file
// is in place either way, so that is not a failure.
void syncFolderOf(const QString& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

} // namespace

std::optional<QString> replaceFileContents(const QString& path, const QString& temporaryPath,
                                           const QByteArray& contents) {
    QFile temporary(temporaryPath);
    if (!temporary.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return QStringLiteral("cannot write %1: %2").arg(temporaryPath, temporary.errorString());
    }
    auto fail = [&](const QString& error) {
        temporary.close();
        QFile::remove(temporaryPath);
        return std::optional<QString>(
            QStringLiteral("cannot write %1: %2").arg(temporaryPath, error));
    };
    if (temporary.write(contents) != contents.size() || !temporary.flush()) {
        return fail(temporary.errorString());
    }
    if (::fsync(temporary.handle()) != 0) {
        return fail(systemError(errno));
    }
    temporary.close();
    if (std::rename(QFile::encodeName(temporaryPath).constData(),
                    QFile::encodeName(path).constData()) != 0) {
        const int error = errno;
        QFile::remove(temporaryPath);
        return QStringLiteral("cannot replace %1: %2").arg(path, systemError(error));
    }
    syncFolderOf(path);
    return std::nullopt;
}

} // namespace ostrel
