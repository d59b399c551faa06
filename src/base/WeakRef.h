#pragma once

#include <memory>

namespace ostrel {

// Base of objects that others refer to without owning them (delegates, observers): a
// WeakRef to it reads as null once it is destroyed.
class LifetimeTracked {
public:
    std::weak_ptr<const void> lifetimeToken() const { return token_; }

protected:
    LifetimeTracked() = default;
    // A copy is a different object with a lifetime of its own.
    LifetimeTracked(const LifetimeTracked&) {}
    LifetimeTracked& operator=(const LifetimeTracked&) { return *this; }
    ~LifetimeTracked() = default;

private:
    std::shared_ptr<const char> token_ = std::make_shared<const char>('\0');
};

template <class T> class WeakRef {
public:
    WeakRef() = default;
    WeakRef(T* target) : target_(target) {
        if (target) {
            token_ = target->lifetimeToken();
        }
    }

    T* get() const { return token_.expired() ? nullptr : target_; }
    explicit operator bool() const { return get() != nullptr; }

private:
    T* target_ = nullptr;
    std::weak_ptr<const void> token_;
};

} // namespace ostrel
