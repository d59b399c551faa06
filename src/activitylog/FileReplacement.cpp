#include "activitylog/FileReplacement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace ostrel {

namespace {

constexpr mode_t kPrivateFile = 0600;
constexpr mode_t kPrivateFolder = 0700;

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Opens the file, creating it private when missing; the mode is set on the descriptor as
// well, as the umask may have taken bits from it and an existing file may have others.
int openPrivate(const QString& path, int flags) {
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), flags | O_CREAT | O_CLOEXEC, kPrivateFile);
    if (descriptor >= 0 && ::fchmod(descriptor, kPrivateFile) != 0) {
        const int error = errno;
        ::close(descriptor);
        errno = error;
        return -1;
    }
    return descriptor;
}

bool writeAll(int descriptor, const QByteArray& contents) {
    qsizetype written = 0;
    while (written < contents.size()) {
        const ssize_t count =
            ::write(descriptor, contents.constData() + written, size_t(contents.size() - written));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        written += count;
    }
    return true;
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

FileVersion versionOf(const struct stat& attributes) {
    return {quint64(attributes.st_dev), quint64(attributes.st_ino), qint64(attributes.st_size),
            qint64(attributes.st_mtim.tv_sec) * 1000000000 + attributes.st_mtim.tv_nsec};
}

} // namespace

std::optional<FileVersion> fileVersion(const QString& path) {
    struct stat attributes {};
    if (::stat(QFile::encodeName(path).constData(), &attributes) != 0) {
        return std::nullopt;
    }
    return versionOf(attributes);
}

std::optional<FileVersion> fileVersion(int descriptor) {
    struct stat attributes {};
    if (::fstat(descriptor, &attributes) != 0) {
        return std::nullopt;
    }
    return versionOf(attributes);
}

std::optional<QString> replaceFileContents(const QString& path, const QString& temporaryPath,
                                           const QByteArray& contents) {
    const int descriptor = openPrivate(temporaryPath, O_WRONLY | O_TRUNC);
    if (descriptor < 0) {
        return QStringLiteral("cannot write %1: %2").arg(temporaryPath, systemError(errno));
    }
    if (!writeAll(descriptor, contents) || ::fsync(descriptor) != 0) {
        const int error = errno;
        ::close(descriptor);
        QFile::remove(temporaryPath);
        return QStringLiteral("cannot write %1: %2").arg(temporaryPath, systemError(error));
    }
    ::close(descriptor);
    if (std::rename(QFile::encodeName(temporaryPath).constData(),
                    QFile::encodeName(path).constData()) != 0) {
        const int error = errno;
        QFile::remove(temporaryPath);
        return QStringLiteral("cannot replace %1: %2").arg(path, systemError(error));
    }
    syncFolderOf(path);
    return std::nullopt;
}

std::optional<QString> makePrivateFolder(const QString& path) {
    if (!QDir().mkpath(path)) {
        return QStringLiteral("cannot create the folder %1").arg(path);
    }
    if (::chmod(QFile::encodeName(path).constData(), kPrivateFolder) != 0) {
        return QStringLiteral("cannot make the folder %1 private: %2")
            .arg(path, systemError(errno));
    }
    return std::nullopt;
}

FileLock::FileLock(const QString& path, int waitMs) {
    descriptor_ = openPrivate(path, O_RDONLY);
    if (descriptor_ < 0) {
        error_ = QStringLiteral("cannot open the lock file %1: %2").arg(path, systemError(errno));
        return;
    }
    // Holders keep it for one save, a few milliseconds; one that keeps it longer (stopped, or
    // on a hung disk) must not stall this Ostrel, which tries again at its next save.
    constexpr auto kPause = std::chrono::milliseconds(10);
    for (int waited = 0;; waited += int(kPause.count())) {
        if (::flock(descriptor_, LOCK_EX | LOCK_NB) == 0) {
            return;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= waitMs) {
            break;
        }
        std::this_thread::sleep_for(kPause);
    }
    error_ = QStringLiteral("cannot lock %1: %2")
                 .arg(path, errno == EWOULDBLOCK ? QStringLiteral("another Ostrel is holding it")
                                                 : systemError(errno));
    ::close(descriptor_);
    descriptor_ = -1;
}

FileLock::~FileLock() {
    if (descriptor_ >= 0) {
        ::close(descriptor_); // closing releases the lock
    }
}

} // namespace ostrel
