#include "platform/linux/applications/ProgramFile.h"

#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

QByteArray ProgramFile::resolve(const QString& program) {
    if (program.startsWith(u'/')) {
        return QFile::encodeName(program);
    }
    if (program.isEmpty() || program.contains(u'/')) {
        return {}; // a relative path means nothing outside the launcher's folder
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
        struct stat info {};
        if (::stat(candidate.constData(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.constData(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

bool ProgramFile::isRunBy(const QString& program, const QByteArray& executableLink) {
    const QByteArray file = resolve(program);
    struct stat entryProgram {};
    struct stat running {};
    return !file.isEmpty() && ::stat(file.constData(), &entryProgram) == 0 &&
           ::stat(executableLink.constData(), &running) == 0 &&
           entryProgram.st_dev == running.st_dev && entryProgram.st_ino == running.st_ino;
}

} // namespace ostrel
