#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace ostrel {

// What a sound server knows of who opened a stream.
struct StreamClaim {
    // The pid the server took from the socket's credentials, when it says so (PipeWire does).
    std::optional<qint32> peerProcessId;
    // What the program says about itself.
    std::optional<qint32> declaredProcessId;
    QString declaredBinary;
    QString applicationName;
    QString portalAppId; // the Flatpak id the camera portal vouches for
};

// Who a stream is reported as.
struct StreamOwner {
    enum class Kind {
        Process,     // `pid` is attested by the kernel
        Unverified,  // only `name` is known: what the program claims, never someone else's pid
        SoundServer, // the server's own plumbing, never an application's use
    };
    Kind kind = Kind::Unverified;
    qint32 pid = 0;
    QString name;
    bool isVolumeControl = false; // the executable is a volume control's, whose meters record

    bool operator==(const StreamOwner&) const = default;
};

// The one rule for the pid of a stream, for the PipeWire graph and the PulseAudio snapshot
// alike. The socket's pid is the program's own unless its executable is a sound server (the
// relay PipeWire's pulse server is for every PulseAudio-protocol program). Behind a relay the
// declared pid counts only if that process exists and its executable (/proc/<pid>/exe, a
// kernel fact) has the declared binary name; otherwise the stream keeps its declared name,
// marked unverified.
class StreamOwnerRule {
public:
    explicit StreamOwnerRule(QString procRoot = QStringLiteral("/proc"));

    StreamOwner ownerOf(const StreamClaim& claim) const;
    // Whether the process's executable is a sound server's.
    bool isRelay(qint32 pid) const;

    static QString unverifiedName(const QString& claimedName);

private:
    // The executable's path, without the " (deleted)" an upgrade leaves; empty when unreadable.
    QString executablePath(qint32 pid) const;

    QString procRoot_;
};

} // namespace ostrel
