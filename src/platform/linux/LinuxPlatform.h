#pragma once

#include "platform/Platform.h"
#include "platform/linux/audio/LinuxAudioSystem.h"
#include "platform/linux/session/SessionSingleInstance.h"

namespace ostrel {

// Where the Linux services look; tests point the device folders at temporary ones.
struct LinuxPlatformRoots {
    QString proc = QStringLiteral("/proc");
    QString sys = QStringLiteral("/sys");
    QString dev = QStringLiteral("/dev");
    LinuxAudioRoots audio;
    QString soundServer;    // empty: the sound server the session names
    QString pipeWireRemote; // empty: the PipeWire daemon the session names
    QString runtime;        // empty: the session's runtime folder
    QString autostart;      // empty: the user's autostart folder
    bool useX11 = true;
    bool useSystemBus = true;
};

// Every service of a Linux desktop, made once in the right order: the one place that wires
// the real machine to Ostrel. Only the single-instance lock exists from the start, so that a
// second launch neither connects to the sound server nor watches a device before it leaves.
class LinuxPlatform final : public PlatformServices {
public:
    explicit LinuxPlatform(MainRunLoop& loop, LinuxPlatformRoots roots = {});
    ~LinuxPlatform() override;
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    SingleInstance& singleInstance() override { return singleInstance_; }
    Platform& platform() override;

private:
    struct Services;

    MainRunLoop& loop_;
    const LinuxPlatformRoots roots_;
    SessionSingleInstance singleInstance_;
    std::unique_ptr<Services> services_;
};

} // namespace ostrel
