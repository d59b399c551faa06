#pragma once

#include <QString>
#include <QStringList>

namespace ostrel {

// Short process names of the sound servers. What they record is their own plumbing (a
// device they serve, a filter or loopback they run), never an application's use.
inline bool isSoundServerProcessName(const QString& name) {
    static const QStringList names{
        QStringLiteral("pulseaudio"), QStringLiteral("pipewire"), QStringLiteral("pipewire-pulse"),
        QStringLiteral("jackd"),      QStringLiteral("jackdbus"),
    };
    return names.contains(name);
}

} // namespace ostrel
