#pragma once

#include "platform/linux/audio/AlsaCapturePcm.h"

#include <QString>
#include <vector>

namespace ostrel {

// Reads the ALSA capture devices and the state of their substreams from the kernel's sound
// folder (/proc/asound: card*/pcm*c/info and sub*/status), and who opened each substream
// from the proc file system. Both roots are parameters so tests can use fixture trees.
class AlsaCaptureStatus {
public:
    explicit AlsaCaptureStatus(QString asoundRoot = QStringLiteral("/proc/asound"),
                               QString procRoot = QStringLiteral("/proc"));

    // Ordered by card, device and substream number; empty when there is no sound folder.
    std::vector<AlsaCapturePcm> capturePcms() const;

private:
    AlsaCaptureSubstream readSubstream(const QString& folder, int number) const;
    qint32 processOfThread(qint32 threadId) const;
    QString executableOf(qint32 process) const;

    QString asoundRoot_;
    QString procRoot_;
};

} // namespace ostrel
