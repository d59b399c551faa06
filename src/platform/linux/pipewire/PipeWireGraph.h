#pragma once

#include <QString>
#include <QtGlobal>
#include <map>
#include <optional>

namespace ostrel {

// A program connected to the PipeWire daemon.
struct PipeWireClientInfo {
    quint32 id = 0;
    // The pid the daemon took from the socket's credentials: the kernel's word, but the pid
    // of a relay (PipeWire's pulse server) for the programs that relay serves.
    std::optional<qint32> peerProcessId;
    // What the program says about itself.
    std::optional<qint32> declaredProcessId; // application.process.id
    QString declaredBinary;                  // application.process.binary
    QString applicationName;                 // application.name
    // Set by the camera and screen-cast portal for a sandboxed application: its Flatpak id.
    QString portalAppId;

    bool operator==(const PipeWireClientInfo&) const = default;
};

// One node of the graph: a device's source or sink, or a program's stream.
struct PipeWireNodeInfo {
    enum class State { Unknown, Error, Creating, Suspended, Idle, Running };

    quint32 id = 0;
    std::optional<quint32> clientId; // absent for nodes the daemon or a module made
    QString mediaClass;              // "Audio/Source", "Stream/Input/Audio", "Video/Source", ...
    QString name;                    // node.name
    QString description;             // node.description
    QString devicePath;              // api.v4l2.path of a camera node, e.g. "/dev/video0"
    State state = State::Unknown;
    // Asked for levels only (a volume control's peak meter through the pulse server).
    bool isLevelMeter = false;
    // What the stream itself declares, used when its client declares nothing.
    std::optional<qint32> declaredProcessId;
    QString declaredBinary;

    bool operator==(const PipeWireNodeInfo&) const = default;
};

// A link carries a node's output into another node's input.
struct PipeWireLinkInfo {
    quint32 id = 0;
    quint32 outputNode = 0;
    quint32 inputNode = 0;

    bool operator==(const PipeWireLinkInfo&) const = default;
};

// Everything Ostrel knows of the PipeWire graph at one moment. Keyed by the daemon's ids, so
// iteration follows creation order.
struct PipeWireGraph {
    std::map<quint32, PipeWireNodeInfo> nodes;
    std::map<quint32, PipeWireLinkInfo> links;
    std::map<quint32, PipeWireClientInfo> clients;
    QString defaultSourceName; // from the "default" metadata; empty when not set

    bool operator==(const PipeWireGraph&) const = default;
};

} // namespace ostrel
