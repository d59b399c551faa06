#pragma once

#include "base/MainRunLoop.h"
#include "base/ObserverList.h"
#include "platform/AudioSystem.h"
#include "platform/linux/audio/AlsaCaptureStatus.h"
#include "platform/linux/audio/AudioSnapshot.h"
#include "platform/linux/audio/PulseAudioClient.h"
#include "platform/linux/audio/ThreadHandOver.h"

#include <QString>
#include <memory>

namespace ostrel {

// Where LinuxAudioSystem reads the kernel's sound and process facts; tests use fixture trees.
struct LinuxAudioRoots {
    QString asound = QStringLiteral("/proc/asound");
    QString devSnd = QStringLiteral("/dev/snd");
    QString proc = QStringLiteral("/proc");
};

// The microphones of a Linux desktop. The sound server (PulseAudio, or PipeWire's pulse
// server) answers while it is connected; without one, the ALSA capture devices do, and a
// connection is tried again after 1 s, doubling up to 30 s. A connection that was lost and
// comes back is a media services reset.
//
// Device ids are source index + 1, 0 meaning none. Without a server connection the
// device queries answer with a non-zero status.
class LinuxAudioSystem final : public AudioSystem, public LifetimeTracked {
public:
    // `server` is a libpulse server string; empty means the user's default server.
    LinuxAudioSystem(MainRunLoop& loop, qint32 ownPid, LinuxAudioRoots roots = {},
                     QString server = {});
    ~LinuxAudioSystem() override;
    LinuxAudioSystem(const LinuxAudioSystem&) = delete;
    LinuxAudioSystem& operator=(const LinuxAudioSystem&) = delete;

    std::vector<CaptureDevice> microphones() override;
    AuthorizationStatus authorizationStatus() override;
    AudioAnswer<AudioDeviceId> defaultInputDevice() override;
    AudioAnswer<bool> isRunningSomewhere(AudioDeviceId device) override;
    AudioAnswer<qint32> exclusiveOwner(AudioDeviceId device) override;
    AudioAnswer<std::vector<quint32>> inputStreams(AudioDeviceId device) override;
    AudioAnswer<quint32> clientObjectForPid(qint32 pid) override;
    std::vector<qint32> holderPids() override;
    bool canNameHolders() override;
    void addObserver(AudioSystemObserver* observer) override;
    void removeObserver(AudioSystemObserver* observer) override;

    bool isConnectedToSoundServer() const { return connected_; }

private:
    using Event = PulseAudioClient::Event;

    void takeEvents();
    void handle(Event event);
    void adopt(AudioSnapshot snapshot);
    void scheduleReconnect();
    bool canOpenCaptureNodes() const;

    MainRunLoop& loop_;
    const qint32 ownPid_;
    const QString devSndRoot_;
    const AlsaCaptureStatus alsa_;
    ObserverList<AudioSystemObserver> observers_;

    // The main thread's copy of what the server said; only the main thread touches it.
    AudioSnapshot snapshot_;
    bool connected_ = false;
    bool connectionLost_ = false;   // a connection ended and none has come back yet
    bool reportedNoServer_ = false; // the missing server was logged already
    double reconnectDelay_ = 1.0;   // seconds
    TimerHandle reconnectTimer_;

    std::shared_ptr<ThreadHandOver<Event>> inbox_;
    // Last, so it is destroyed first: its thread stops before anything it hands over to goes.
    std::unique_ptr<PulseAudioClient> client_;
};

} // namespace ostrel
