#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace ostrel {

// The activity log tells what the user did and when: its folder is the user's alone (0700)
// and every file Ostrel writes there, or exports, is private (0600), whatever the umask.

// Replaces the file at `path` by `contents` so that a crash or a power cut leaves either
// the old file or the new one, whole: the bytes go to `temporaryPath`, reach stable storage,
// and a single rename puts them in place. The new file is private. Returns why it failed, or
// nothing on success; on failure `path` is untouched and the temporary file removed.
std::optional<QString> replaceFileContents(const QString& path, const QString& temporaryPath,
                                           const QByteArray& contents);

// Creates the folder when missing and makes it private; why it failed, or nothing.
std::optional<QString> makePrivateFolder(const QString& path);

// One version of a file, told from others without reading it: a replacement is a new file
// (another inode) and a write in place changes the size or the modification time.
struct FileVersion {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;

    bool operator==(const FileVersion&) const = default;
};

// The version of the file at `path`, or of an open descriptor; nothing when it cannot be
// examined (missing, for one).
std::optional<FileVersion> fileVersion(const QString& path);
std::optional<FileVersion> fileVersion(int descriptor);

// An exclusive advisory lock (flock) on a lock file, held while the object lives: every
// Ostrel of the user that writes the same files takes it first. The lock file is created
// when missing, private.
class FileLock {
public:
    // Waits at most `waitMs` for another holder to let go; 0 tries once.
    FileLock(const QString& path, int waitMs);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Why the lock is not held; nothing while it is.
    const std::optional<QString>& error() const { return error_; }

private:
    int descriptor_ = -1;
    std::optional<QString> error_;
};

} // namespace ostrel
