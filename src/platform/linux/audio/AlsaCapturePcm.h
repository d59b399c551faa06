#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

namespace ostrel {

// One substream of an ALSA capture device, as the kernel reports it in its status file.
struct AlsaCaptureSubstream {
    int number = 0;
    bool isRunning = false;
    // The process that opened it (the kernel names the opening thread; this is its process).
    std::optional<qint32> ownerPid;
    QString ownerName; // the owner's short process name, empty when unknown
    // The file name of the owner's executable, empty when Ostrel may not read it (another
    // user's process). Unlike the short name, a process cannot choose it.
    QString ownerExecutable;
};

// An ALSA capture device ("hw:<card>,<device>").
struct AlsaCapturePcm {
    int card = 0;
    int device = 0;
    QString name;
    std::vector<AlsaCaptureSubstream> substreams;

    QString alsaName() const { return QStringLiteral("hw:%1,%2").arg(card).arg(device); }
};

} // namespace ostrel
