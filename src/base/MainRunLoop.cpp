#include "base/MainRunLoop.h"

#include <utility>

namespace ostrel {

TimerHandle::TimerHandle(std::shared_ptr<bool> active, std::function<void()> cancel)
    : cancel_(std::move(cancel)), active_(std::move(active)) {}

TimerHandle::TimerHandle(TimerHandle&& other) noexcept
    : cancel_(std::move(other.cancel_)), active_(std::move(other.active_)) {
    other.cancel_ = nullptr;
}

TimerHandle& TimerHandle::operator=(TimerHandle&& other) noexcept {
    if (this != &other) {
        cancel();
        cancel_ = std::move(other.cancel_);
        active_ = std::move(other.active_);
        other.cancel_ = nullptr;
    }
    return *this;
}

TimerHandle::~TimerHandle() {
    cancel();
}

void TimerHandle::cancel() {
    if (active_ && *active_ && cancel_) {
        cancel_();
    }
    if (active_) {
        *active_ = false;
    }
    cancel_ = nullptr;
}

bool TimerHandle::isActive() const {
    return active_ && *active_;
}

} // namespace ostrel
