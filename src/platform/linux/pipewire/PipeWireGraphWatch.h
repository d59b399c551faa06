#pragma once

#include "base/MainRunLoop.h"
#include "base/ObserverList.h"
#include "platform/linux/audio/ThreadHandOver.h"
#include "platform/linux/pipewire/PipeWireConnection.h"

#include <memory>

namespace ostrel {

class PipeWireGraphObserver : public LifetimeTracked {
public:
    // The graph changed, or the daemon came or went.
    virtual void pipeWireGraphChanged() = 0;

protected:
    ~PipeWireGraphObserver() = default;
};

// The main thread's view of the PipeWire graph. Without a daemon it stays quiet (one log
// line) and tries again after 1 s, doubling up to 30 s; a daemon that goes away is sought the
// same way. Observers hear of every change on the main thread.
class PipeWireGraphWatch final : public LifetimeTracked {
public:
    // `remote` names the daemon's socket; empty means the user's default.
    explicit PipeWireGraphWatch(MainRunLoop& loop, QString remote = {});
    ~PipeWireGraphWatch();
    PipeWireGraphWatch(const PipeWireGraphWatch&) = delete;
    PipeWireGraphWatch& operator=(const PipeWireGraphWatch&) = delete;

    bool isConnected() const { return connected_; }
    // Empty while not connected.
    const PipeWireGraph& graph() const { return graph_; }

    void addObserver(PipeWireGraphObserver* observer) { observers_.add(observer); }
    void removeObserver(PipeWireGraphObserver* observer) { observers_.remove(observer); }

private:
    using Event = PipeWireConnection::Event;

    void takeEvents();
    void handle(Event event);
    void scheduleReconnect();
    void changed();

    MainRunLoop& loop_;
    ObserverList<PipeWireGraphObserver> observers_;
    PipeWireGraph graph_;
    bool connected_ = false;
    bool reportedNoDaemon_ = false;
    double reconnectDelay_ = 1.0; // seconds
    TimerHandle reconnectTimer_;
    std::shared_ptr<ThreadHandOver<Event>> inbox_;
    // Last, so it is destroyed first: its thread stops before anything it hands over to goes.
    std::unique_ptr<PipeWireConnection> connection_;
};

} // namespace ostrel
