#pragma once

#include "base/WeakRef.h"

#include <algorithm>
#include <vector>

namespace ostrel {

// Observers of a platform service's events. Observers are not owned; one that is
// destroyed without removing itself is skipped. Notifying walks a snapshot, so an
// observer may add or remove observers from its callback.
template <class Observer> class ObserverList {
public:
    void add(Observer* observer) {
        if (observer && !contains(observer)) {
            observers_.push_back(WeakRef<Observer>(observer));
        }
    }

    void remove(Observer* observer) {
        std::erase_if(observers_, [observer](const WeakRef<Observer>& ref) {
            return !ref || ref.get() == observer;
        });
    }

    bool isEmpty() const {
        return std::none_of(observers_.begin(), observers_.end(),
                            [](const WeakRef<Observer>& ref) { return bool(ref); });
    }

    template <class Predicate> bool anyOf(Predicate predicate) const {
        return std::any_of(observers_.begin(), observers_.end(), [&](const WeakRef<Observer>& ref) {
            Observer* observer = ref.get();
            return observer && predicate(*observer);
        });
    }

    template <class Call> void notify(Call call) const {
        const std::vector<WeakRef<Observer>> snapshot = observers_;
        for (const WeakRef<Observer>& ref : snapshot) {
            if (Observer* observer = ref.get(); observer && contains(observer)) {
                call(*observer);
            }
        }
    }

private:
    bool contains(Observer* observer) const {
        return std::any_of(
            observers_.begin(), observers_.end(),
            [observer](const WeakRef<Observer>& ref) { return ref.get() == observer; });
    }

    std::vector<WeakRef<Observer>> observers_;
};

} // namespace ostrel
