#include "platform/linux/applications/ProgramFile.h"

#include <QFile>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {
namespace {

// The file a program stands for, as stat() tells of it: an absolute path as it is, a bare name
// through Ostrel's own PATH; none when it is neither or nothing in PATH has that name.
std::optional<struct stat> resolve(const QString& program) {
    struct stat info {};
    if (program.startsWith(u'/')) {
        if (::stat(QFile::encodeName(program).constData(), &info) != 0) {
            return std::nullopt;
        }
        return info;
    }
    if (program.isEmpty() || program.contains(u'/')) {
        return std::nullopt; // a relative path means nothing outside the launcher's folder
    }
    QByteArray path = qgetenv("PATH");
    if (path.isEmpty()) {
        path = "/usr/local/bin:/usr/bin:/bin";
    }
    const QByteArray name = QFile::encodeName(program);
    for (const QByteArray& folder : path.split(':')) {
        // A relative folder would be looked up from Ostrel's own working folder.
        if (!folder.startsWith('/')) {
            continue;
        }
        const QByteArray candidate = folder + '/' + name;
        if (::stat(candidate.constData(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.constData(), X_OK) == 0) {
            return info;
        }
    }
    return std::nullopt;
}

} // namespace

bool ProgramFile::isRunBy(const QString& program, const QByteArray& executableLink) {
    const std::optional<struct stat> entryProgram = resolve(program);
    struct stat running {};
    return entryProgram && ::stat(executableLink.constData(), &running) == 0 &&
           entryProgram->st_dev == running.st_dev && entryProgram->st_ino == running.st_ino;
}

} // namespace ostrel
