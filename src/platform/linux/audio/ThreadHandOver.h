#pragma once

#include "base/MainRunLoop.h"
#include "base/WeakRef.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace ostrel {

// Items made on a background thread, waiting for the main thread to take them. The main
// thread is told through the run loop; the queue only keeps the items in order meanwhile.
template <class T> class ThreadHandOver {
public:
    // Any thread.
    void push(T item) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            items_.push_back(std::move(item));
        }
        arrived_.notify_all();
    }

    // Everything pushed so far, oldest first.
    std::vector<T> takeAll() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(items_, {});
    }

    // Waits until an item is there or the bound has passed; true when an item is there.
    bool waitForItem(std::chrono::milliseconds bound) {
        std::unique_lock<std::mutex> lock(mutex_);
        return arrived_.wait_for(lock, bound, [this] { return !items_.empty(); });
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<T> items_;
};

// The event handler a background connection is given: it queues each item in `inbox` and asks
// the main thread, through the run loop, to call `take` on `owner`, unless the owner is gone.
template <class T, class Owner>
std::function<void(T)> handOverTo(std::shared_ptr<ThreadHandOver<T>> inbox, MainRunLoop& loop,
                                  Owner* owner, void (Owner::*take)()) {
    return [inbox = std::move(inbox), &loop, self = WeakRef<Owner>(owner), take](T item) {
        inbox->push(std::move(item));
        loop.post([self, take] {
            if (Owner* receiver = self.get()) {
                (receiver->*take)();
            }
        });
    };
}

} // namespace ostrel
