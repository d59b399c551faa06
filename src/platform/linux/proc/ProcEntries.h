#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>
#include <cerrno>
#include <dirent.h>
#include <limits>
#include <memory>
#include <optional>

namespace ostrel {

// The pid a /proc entry name stands for; nothing for any other name ("self", "net", ...).
inline std::optional<qint32> pidFromName(const char* name) {
    qint64 value = 0;
    if (*name == '\0') {
        return std::nullopt;
    }
    for (const char* c = name; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (*c - '0');
        if (value > std::numeric_limits<qint32>::max()) {
            return std::nullopt;
        }
    }
    return value > 0 ? std::optional(qint32(value)) : std::nullopt;
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
