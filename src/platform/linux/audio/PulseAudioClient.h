#pragma once

#include "platform/linux/audio/AudioSnapshot.h"
#include "platform/linux/audio/ServerEvent.h"

#include <QByteArray>
#include <QString>
#include <functional>

struct pa_context;
struct pa_threaded_mainloop;
struct pa_operation;

namespace ostrel {

// A client of a PulseAudio-protocol sound server (PulseAudio itself, or PipeWire's pulse
// server). On a thread of its own it keeps a snapshot of the sources, the default source,
// the recording streams and the clients, kept current by the server's change events, and
// hands every changed snapshot to its event handler.
class PulseAudioClient {
public:
    using Event = ServerEvent<AudioSnapshot>;
    // Called on the client's thread, or inside connect() when an attempt fails at once. It
    // must only hand the event over; it may not call back into the client.
    using EventHandler = std::function<void(Event)>;

    // `server` is a libpulse server string; empty means the user's default (PULSE_SERVER,
    // the client configuration). A server is never started on Ostrel's behalf.
    PulseAudioClient(QString server, EventHandler handler);
    // Disconnects and stops the thread; no event arrives afterwards.
    ~PulseAudioClient();
    PulseAudioClient(const PulseAudioClient&) = delete;
    PulseAudioClient& operator=(const PulseAudioClient&) = delete;

    // Drops any earlier connection and starts one attempt; its outcome arrives as an event.
    void connect();

private:
    // The libpulse callbacks, which reach into the client.
    struct Callbacks;
    friend struct Callbacks;

    void fetchEverything();
    void track(pa_operation* operation);
    void requestFinished();
    void publishIfSettled();
    void settleAttempt(Event::Kind kind, const QString& detail);
    void releaseContext();

    const QByteArray server_;
    const EventHandler handler_;
    pa_threaded_mainloop* mainloop_ = nullptr;
    bool running_ = false;

    // Touched on the client's thread, or with its loop locked.
    pa_context* context_ = nullptr;
    AudioSnapshot working_;   // kept current by the replies
    AudioSnapshot published_; // the last snapshot handed out
    QString serverName_;
    int pendingRequests_ = 0;
    bool announced_ = false;      // Connected was handed out for this connection
    bool attemptSettled_ = false; // this attempt already ended in an event
};

} // namespace ostrel
