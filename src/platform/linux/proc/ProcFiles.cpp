#include "platform/linux/proc/ProcFiles.h"

#include "base/Log.h"
#include "platform/linux/proc/ProcEntries.h"

#include <QFile>
#include <QMutex>
#include <QScopeGuard>
#include <QSet>
#include <cerrno>
#include <climits>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {
namespace {

// Proc entries report a size of zero, so they are read to their end; the cap guards against
// a huge environment and against a tree that is not really a proc file system.
constexpr qsizetype kMaxEntrySize = 1 << 20;
constexpr qsizetype kMaxLinkSize = 1 << 16;

const char* fileTypeName(mode_t mode) {
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    return "not a regular file";
}

// Another process decides what its entries lead to (its root can be any folder it chose), so
// each refusal is told once per entry and kind, not on every scan.
void reportRefusal(const char* entry, const QByteArray& path, const char* reason) {
    static QMutex mutex;
    static QSet<QByteArray> reported;
    const QByteArray cause = QByteArray(entry) + '\0' + reason;
    {
        const QMutexLocker lock(&mutex);
        if (reported.contains(cause)) {
            return;
        }
        reported.insert(cause);
    }
    logLine(
        QStringLiteral("⚠️ [Proc] Ignoring %1: %2; it counts as absent (later cases of this "
                       "kind are not logged)")
            .arg(QFile::decodeName(path), QLatin1String(reason)));
}

// Opening never waits (a FIFO with no writer would block an ordinary open for good) and never
// follows a final symlink; only a regular file is read, up to the cap.
std::optional<QByteArray> readRegularFile(const QByteArray& path, const char* entry) {
    const int fd = openEntry(path);
    if (fd < 0) {
        if (errno == ELOOP) {
            reportRefusal(entry, path, "a symbolic link");
        } else if (errno == ENXIO) {
            reportRefusal(entry, path, "not a regular file");
        }
        return std::nullopt; // mostly a process that ended or is not ours to read
    }
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        reportRefusal(entry, path, fileTypeName(info.st_mode));
        return std::nullopt;
    }
    QByteArray contents;
    char buffer[4096];
    for (;;) {
        const ssize_t count = readOnce(fd, buffer, sizeof buffer);
        if (count < 0) {
            return std::nullopt;
        }
        if (count == 0) {
            return contents;
        }
        contents.append(buffer, count);
        if (contents.size() > kMaxEntrySize) {
            reportRefusal(entry, path, "larger than 1 MiB");
            return std::nullopt;
        }
    }
}

} // namespace

ProcFiles::ProcFiles(QString procRoot) : root_(QFile::encodeName(procRoot)) {}

QByteArray ProcFiles::entryPath(qint32 pid, const char* entry) const {
    return root_ + '/' + QByteArray::number(pid) + '/' + entry;
}

std::optional<QByteArray> ProcFiles::readEntry(qint32 pid, const char* entry) const {
    if (pid <= 0) {
        return std::nullopt;
    }
    return readRegularFile(entryPath(pid, entry), entry);
}

std::optional<uid_t> ProcFiles::folderOwner(qint32 pid) const {
    struct stat info {};
    if (pid <= 0 || ::stat((root_ + '/' + QByteArray::number(pid)).constData(), &info) != 0) {
        return std::nullopt;
    }
    return info.st_uid;
}

std::optional<ProcessStatus> ProcFiles::status(qint32 pid) const {
    const std::optional<QByteArray> text = readEntry(pid, "status");
    if (!text) {
        return std::nullopt;
    }
    std::optional<quint64> uid;
    std::optional<quint64> parent;
    for (const QByteArray& line : text->split('\n')) {
        if (line.startsWith("Uid:")) {
            // Real, effective, saved and file-system uid; the first is who started it.
            const QList<QByteArray> fields = line.mid(4).simplified().split(' ');
            uid = parseUnsigned(fields.value(0), std::numeric_limits<uid_t>::max());
        } else if (line.startsWith("PPid:")) {
            parent = parseUnsigned(line.mid(5).trimmed(), std::numeric_limits<qint32>::max());
        }
    }
    if (!uid || !parent) {
        return std::nullopt;
    }
    return ProcessStatus{uid_t(*uid), qint32(*parent)};
}

std::optional<QByteArray> ProcFiles::cgroup(qint32 pid) const {
    return readEntry(pid, "cgroup");
}

std::optional<QByteArray> ProcFiles::environmentVariable(qint32 pid, QByteArrayView name) const {
    const std::optional<QByteArray> environment = readEntry(pid, "environ");
    if (!environment) {
        return std::nullopt;
    }
    for (const QByteArray& variable : environment->split('\0')) {
        if (variable.size() > name.size() && variable.startsWith(name) &&
            variable.at(name.size()) == '=') {
            return variable.mid(name.size() + 1);
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> ProcFiles::flatpakInfo(qint32 pid) const {
    return readEntry(pid, "root/.flatpak-info");
}

std::optional<QByteArray> ProcFiles::linkTarget(qint32 pid, const char* entry) const {
    if (pid <= 0) {
        return std::nullopt;
    }
    QByteArray target(PATH_MAX, Qt::Uninitialized);
    const QByteArray link = entryPath(pid, entry);
    for (;;) {
        const ssize_t length = ::readlink(link.constData(), target.data(), size_t(target.size()));
        if (length <= 0) {
            return std::nullopt;
        }
        if (length < target.size()) {
            target.truncate(length);
            return target;
        }
        // A full buffer may mean a cut-off target; try again with more room.
        if (target.size() >= kMaxLinkSize) {
            return std::nullopt;
        }
        target.resize(target.size() * 2);
    }
}

std::optional<QString> ProcFiles::executablePath(qint32 pid) const {
    std::optional<QByteArray> target = linkTarget(pid, "exe");
    if (!target) {
        return std::nullopt;
    }
    // The kernel marks an executable replaced on disk (an upgrade) this way.
    constexpr QByteArrayView deleted(" (deleted)");
    if (target->endsWith(deleted)) {
        target->chop(deleted.size());
    }
    return QFile::decodeName(*target);
}

QStringList ProcFiles::commandLine(qint32 pid) const {
    QStringList arguments;
    const std::optional<QByteArray> text = readEntry(pid, "cmdline");
    if (!text) {
        return arguments;
    }
    QList<QByteArray> parts = text->split('\0');
    if (!parts.isEmpty() && parts.last().isEmpty()) {
        parts.removeLast();
    }
    for (const QByteArray& part : parts) {
        arguments.append(QFile::decodeName(part));
    }
    return arguments;
}

std::optional<QString> ProcFiles::comm(qint32 pid) const {
    std::optional<QByteArray> name = readEntry(pid, "comm");
    if (!name) {
        return std::nullopt;
    }
    // Only the newline the kernel appends goes; one inside the name belongs to it.
    if (name->endsWith('\n')) {
        name->chop(1);
    }
    return QString::fromUtf8(*name);
}

QString ProcFiles::shortName(qint32 pid) const {
    return comm(pid).value_or(QString());
}

} // namespace ostrel
