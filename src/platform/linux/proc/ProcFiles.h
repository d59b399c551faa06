#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>
#include <sys/types.h>
#include <vector>

namespace ostrel {

// The few facts of /proc/<pid>/status that the application list needs.
struct ProcessStatus {
    uid_t realUid = 0;
    qint32 parentPid = 0;
};

// Reads the entries of a proc file system that tell which application a process belongs to.
// The root is a parameter so tests can point it at a fixture tree. Every read is bounded and
// an entry that cannot be read (vanished pid, no permission) is an empty answer. What an entry
// leads to is the process's choice (its root can be any folder), so only regular files are
// read: a FIFO, socket, device or symlink is logged and counts as absent, and no read waits.
class ProcFiles {
public:
    explicit ProcFiles(QString procRoot);

    // The owner of the process's folder: the process's effective user on a real /proc.
    std::optional<uid_t> folderOwner(qint32 pid) const;
    std::optional<ProcessStatus> status(qint32 pid) const;
    std::optional<QByteArray> cgroup(qint32 pid) const;
    // The value of one variable of the environment the process started with.
    std::optional<QByteArray> environmentVariable(qint32 pid, QByteArrayView name) const;
    // The .flatpak-info file at the root of the process's own file system view.
    std::optional<QByteArray> flatpakInfo(qint32 pid) const;
    // The executable's path, " (deleted)" removed.
    std::optional<QString> executablePath(qint32 pid) const;
    QStringList commandLine(qint32 pid) const;
    // The name the process goes by (its comm entry); nothing when that cannot be read.
    std::optional<QString> comm(qint32 pid) const;
    QString shortName(qint32 pid) const; // comm(), empty when there is none

    QByteArray root() const { return root_; }
    QByteArray entryPath(qint32 pid, const char* entry) const;
    // The whole entry, read to its end and capped; nothing for pid <= 0, an unreadable entry or
    // one that is not a regular file.
    std::optional<QByteArray> readEntry(qint32 pid, const char* entry) const;
    // Where a link entry (exe, cwd, fd/N) points, as the kernel wrote it.
    std::optional<QByteArray> linkTarget(qint32 pid, const char* entry) const;

private:
    QByteArray root_; // file-system encoding of the proc root
};

} // namespace ostrel
