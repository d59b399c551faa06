#pragma once

#include <QString>

namespace ostrel {

// What a connection to a media server (the pulse server, the PipeWire daemon) hands from its
// thread to the main thread.
template <class Snapshot> struct ServerEvent {
    enum class Kind {
        Connected,      // the first complete snapshot of a connection
        Updated,        // a later snapshot that differs from the one before
        ConnectFailed,  // an attempt ended without a connection
        ConnectionLost, // an established connection ended
    };
    Kind kind = Kind::Updated;
    Snapshot snapshot; // Connected and Updated
    QString detail;    // the server's name and version, or the error
};

} // namespace ostrel
