#pragma once

#include <QByteArray>
#include <QString>

namespace ostrel {

// Whether a process runs the program a desktop entry starts. The process's side is the
// kernel's word: the file behind its exe entry, compared by device and inode with the file the
// entry's program resolves to (through PATH for a bare name, following symlinks). A name or a
// path a process gives itself cannot make the two match.
class ProgramFile {
public:
    // `program` as Exec= gives it; `executableLink` the process's exe entry in a proc tree.
    static bool isRunBy(const QString& program, const QByteArray& executableLink);
};

} // namespace ostrel
