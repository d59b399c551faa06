#pragma once

#include "base/MainRunLoop.h"
#include "base/ObserverList.h"
#include "platform/AudioSystem.h"
#include "platform/linux/audio/AlsaCaptureStatus.h"
#include "platform/linux/audio/AudioSnapshot.h"
#include "platform/linux/audio/PulseAudioClient.h"
#include "platform/linux/audio/StreamOwner.h"
#include "platform/linux/audio/ThreadHandOver.h"
#include "platform/linux/pipewire/PipeWireGraphWatch.h"

#include <QString>
#include <memory>

namespace ostrel {

// Where LinuxAudioSystem reads the kernel's sound and process facts; tests use fixture trees.
struct LinuxAudioRoots {
    QString asound = QStringLiteral("/proc/asound");
    QString devSnd = QStringLiteral("/dev/snd");
    QString proc = QStringLiteral("/proc");
};

// The microphones of a Linux desktop. The PipeWire graph answers when the sound server is
// PipeWire's (or, without a pulse server, when the graph has microphones); otherwise the sound
// server (PulseAudio) answers while it is connected; without either, the ALSA capture devices
// do, and a connection is tried again after 1 s, doubling up to 30 s. A connection that was
// lost and comes back is a media services reset. Who owns each stream is decided by
// StreamOwnerRule when a snapshot is taken in.
//
// Device ids are source index (or graph node id) + 1, 0 meaning none. Without a server the
// device queries answer with a non-zero status.
class LinuxAudioSystem final : public AudioSystem, public PipeWireGraphObserver {
public:
    // `server` is a libpulse server string; empty means the user's default server. Without
    // `pipeWire` only the pulse server and ALSA answer.
    LinuxAudioSystem(MainRunLoop& loop, qint32 ownPid, LinuxAudioRoots roots = {},
                     QString server = {}, PipeWireGraphWatch* pipeWire = nullptr);
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
    std::vector<QString> unnamedHolders() override;
    void addObserver(AudioSystemObserver* observer) override;
    void removeObserver(AudioSystemObserver* observer) override;

    bool isConnectedToSoundServer() const { return connected_; }
    bool answersFromPipeWireGraph() const { return fromGraph_; }

    void pipeWireGraphChanged() override;

private:
    using Event = PulseAudioClient::Event;

    void takeEvents();
    void handle(Event event);
    // Whether the graph is the source to answer from, decided afresh.
    bool graphShouldAnswer() const;
    // What the chosen source says now, with every stream's owner decided; also records which
    // source that is.
    AudioSnapshot currentSnapshot();
    bool answers() const { return connected_ || answersFromPipeWireGraph(); }
    void adopt(AudioSnapshot snapshot);
    void scheduleReconnect();
    bool canOpenCaptureNodes() const;

    MainRunLoop& loop_;
    const qint32 ownPid_;
    const QString devSndRoot_;
    const AlsaCaptureStatus alsa_;
    const StreamOwnerRule ownerRule_;
    PipeWireGraphWatch* const pipeWire_;
    ObserverList<AudioSystemObserver> observers_;

    // The main thread's copies; only the main thread touches them.
    AudioSnapshot serverSnapshot_; // what the pulse server said
    AudioSnapshot snapshot_;       // what the queries answer from
    QString serverName_;
    bool fromGraph_ = false; // snapshot_ was taken from the PipeWire graph
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
