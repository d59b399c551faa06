#include "base/EventBus.h"

#include <utility>
#include <vector>

namespace ostrel {

EventBus::Subscription::Subscription(Subscription&& other) noexcept
    : bus_(std::exchange(other.bus_, {})), id_(std::exchange(other.id_, 0)) {}

EventBus::Subscription& EventBus::Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        cancel();
        bus_ = std::exchange(other.bus_, {});
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

void EventBus::Subscription::cancel() {
    if (EventBus* bus = bus_.get()) {
        bus->remove(id_);
    }
    bus_ = {};
}

EventBus::Subscription EventBus::add(std::type_index type, Handler handler) {
    const quint64 id = nextId_++;
    observers_.emplace(id, Observer{type, std::move(handler)});
    return Subscription(this, id);
}

void EventBus::remove(quint64 id) {
    observers_.erase(id);
}

void EventBus::deliver(std::type_index type, const void* event) {
    // Handlers may subscribe or cancel, so walk a snapshot of the ids and look each one up
    // again before calling it.
    std::vector<quint64> ids;
    for (const auto& [id, observer] : observers_) {
        if (observer.type == type) {
            ids.push_back(id);
        }
    }
    for (quint64 id : ids) {
        const auto found = observers_.find(id);
        if (found == observers_.end()) {
            continue;
        }
        // A copy, so a handler that cancels itself survives its own call.
        const Handler handler = found->second.handler;
        handler(event);
    }
}

} // namespace ostrel
