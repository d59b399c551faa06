#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>
#include <cerrno>
#include <cstddef>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <optional>
#include <unistd.h>

namespace ostrel {

// A number as the kernel writes one: decimal digits only, no sign or blank, at most `max`.
inline std::optional<quint64> parseUnsigned(QByteArrayView text,
                                            quint64 max = std::numeric_limits<quint64>::max()) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    quint64 value = 0;
    for (const char character : text) {
        if (character < '0' || character > '9') {
            return std::nullopt;
        }
        const quint64 digit = quint64(character - '0');
        if (digit > max || value > (max - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    return value;
}

// The pid a /proc entry name stands for; nothing for any other name ("self", "net", ...).
inline std::optional<qint32> pidFromName(const char* name) {
    const std::optional<quint64> value =
        parseUnsigned(QByteArrayView(name), quint64(std::numeric_limits<qint32>::max()));
    return value && *value > 0 ? std::optional(qint32(*value)) : std::nullopt;
}

// Opens an entry for reading without waiting (a FIFO with no writer would block an ordinary
// open for good) and without following a final symlink; -1 when it cannot, errno telling why.
inline int openEntry(const QByteArray& path) {
    int fd = -1;
    do {
        fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// One read, made again when a signal interrupts it; -1 on an error.
inline ssize_t readOnce(int fd, char* buffer, std::size_t size) {
    ssize_t count = 0;
    do {
        count = ::read(fd, buffer, size);
    } while (count < 0 && errno == EINTR);
    return count;
}

// Calls visit with the name of every entry but "." and ".."; false when the folder cannot be
// opened or listed to its end.
template <typename Visit> bool forEachEntry(const QByteArray& path, Visit visit) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.constData()), &::closedir);
    if (!dir) {
        return false;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry) {
            return errno == 0;
        }
        const QByteArrayView name(entry->d_name);
        if (name != ".." && name != ".") {
            visit(entry->d_name);
        }
    }
}

} // namespace ostrel
