#pragma once

#include "base/WeakRef.h"

#include <QtGlobal>
#include <functional>
#include <map>
#include <typeindex>

namespace ostrel {

// Events that Ostrel's own components send each other inside the process; desktop
// notifications for the user are UserNotificationCenter's business, not this. An event is a
// struct, and observers subscribe to its type, so a misspelt event does not compile.
// Publishing delivers synchronously, on the publisher's thread, to every observer of that type
// in the order they subscribed. Used on the main thread only.
class EventBus final : public LifetimeTracked {
public:
    EventBus() = default;
    EventBus(const EventBus&) = delete;
    EventBus& operator=(const EventBus&) = delete;

    // Ends its subscription when destroyed or cancelled. Cancelling takes effect at once: an
    // observer cancelled during a delivery does not get the event if it has not been reached
    // yet, and an observer may cancel itself while it runs. Cancelling twice, or after the bus
    // is gone, does nothing.
    class Subscription {
    public:
        Subscription() = default;
        Subscription(Subscription&& other) noexcept;
        Subscription& operator=(Subscription&& other) noexcept;
        ~Subscription() { cancel(); }

        void cancel();

    private:
        friend class EventBus;
        Subscription(EventBus* bus, quint64 id) : bus_(bus), id_(id) {}

        WeakRef<EventBus> bus_;
        quint64 id_ = 0;
    };

    template <class Event>
    [[nodiscard]] Subscription subscribe(std::function<void(const Event&)> handler) {
        return add(typeid(Event), [handler = std::move(handler)](const void* event) {
            handler(*static_cast<const Event*>(event));
        });
    }

    template <class Event> void publish(const Event& event) { deliver(typeid(Event), &event); }

private:
    using Handler = std::function<void(const void*)>;
    struct Observer {
        std::type_index type;
        Handler handler;
    };

    Subscription add(std::type_index type, Handler handler);
    void remove(quint64 id);
    void deliver(std::type_index type, const void* event);

    std::map<quint64, Observer> observers_; // ordered by id, so by time of subscribing
    quint64 nextId_ = 1;
};

} // namespace ostrel
