#pragma once

#include "platform/linux/audio/ServerEvent.h"
#include "platform/linux/pipewire/PipeWireGraph.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <map>
#include <memory>

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_registry;

namespace ostrel {

// A client of the PipeWire daemon. On a thread loop of its own it keeps a snapshot of the
// graph (the nodes that capture or carry captured media, the links, the clients and the
// default source), kept current by the daemon's registry and info events, and hands every
// changed snapshot to its event handler.
class PipeWireConnection {
public:
    using Event = ServerEvent<PipeWireGraph>;
    // Called on the connection's thread, or inside connect() when an attempt fails at once.
    // It must only hand the event over; it may not call back into the connection.
    using EventHandler = std::function<void(Event)>;

    // `remote` names the daemon's socket; empty means the user's default (PIPEWIRE_REMOTE,
    // else "pipewire-0" in the runtime folder). A daemon is never started on Ostrel's behalf.
    PipeWireConnection(QString remote, EventHandler handler);
    // Disconnects and stops the thread; no event arrives afterwards.
    ~PipeWireConnection();
    PipeWireConnection(const PipeWireConnection&) = delete;
    PipeWireConnection& operator=(const PipeWireConnection&) = delete;

    // Drops any earlier connection and starts one attempt; its outcome arrives as an event.
    void connect();

private:
    struct Callbacks;
    struct Binding;
    friend struct Callbacks;

    void bind(quint32 id, const char* type, quint32 version);
    void forget(quint32 id);
    void changed();
    void roundTripDone();
    void publish();
    void settleAttempt(Event::Kind kind, const QString& detail);
    void releaseCore();

    const QByteArray remote_;
    const EventHandler handler_;
    pw_thread_loop* loop_ = nullptr;
    pw_context* context_ = nullptr;
    bool running_ = false;

    // Touched on the connection's thread, or with its loop locked.
    pw_core* core_ = nullptr;
    pw_registry* registry_ = nullptr;
    std::unique_ptr<Binding> coreHooks_;
    std::unique_ptr<Binding> registryHooks_;
    std::map<quint32, std::unique_ptr<Binding>> bindings_;
    PipeWireGraph working_;
    PipeWireGraph published_;
    QString version_;
    int pendingSync_ = -1;
    bool changedSinceSync_ = false;
    int unsettledRounds_ = 0;
    bool announced_ = false;
    bool attemptSettled_ = false;
};

} // namespace ostrel
