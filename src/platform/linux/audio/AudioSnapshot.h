#pragma once

#include "platform/linux/audio/StreamOwner.h"

#include <QString>
#include <QtGlobal>
#include <map>
#include <optional>

namespace ostrel {

// What the sound server said about one source (a device streams can record from).
struct AudioSource {
    quint32 index = 0;
    QString name; // the server's stable name, e.g. "alsa_input.pci-0000_00_1f.3.analog-stereo"
    QString description;    // the name shown to people
    bool isMonitor = false; // it carries what an output plays, not what a microphone hears
    bool isRunning = false; // the server reads from it right now

    bool operator==(const AudioSource&) const = default;
};

// One recording stream ("source output").
struct AudioSourceOutput {
    quint32 index = 0;
    quint32 sourceIndex = 0;
    std::optional<quint32> clientIndex; // absent for streams a server module made
    std::optional<qint32> processId;    // the stream's own application.process.id
    QString processBinary;              // application.process.binary, e.g. "parecord"
    bool isCorked = false;              // paused: it records nothing
    bool isLevelMeter = false;          // opened only to show a level (peak detection)
    StreamOwner owner;                  // decided when the snapshot is taken in

    bool operator==(const AudioSourceOutput&) const = default;
};

// A program connected to the sound server.
struct AudioClient {
    quint32 index = 0;
    // The pid the server itself saw on the socket (PipeWire says so).
    std::optional<qint32> peerProcessId;
    std::optional<qint32> processId; // application.process.id
    QString processBinary;
    QString applicationName;
    QString portalAppId; // pipewire.access.portal.app_id
    StreamOwner owner;   // decided when the snapshot is taken in

    bool operator==(const AudioClient&) const = default;
};

// Everything Ostrel knows of a sound server at one moment. Keyed by the server's indexes,
// so iteration follows creation order.
struct AudioSnapshot {
    std::map<quint32, AudioSource> sources;
    QString defaultSourceName;
    std::map<quint32, AudioSourceOutput> sourceOutputs;
    std::map<quint32, AudioClient> clients;

    bool operator==(const AudioSnapshot&) const = default;
};

} // namespace ostrel
