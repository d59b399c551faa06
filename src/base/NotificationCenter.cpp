#include "base/NotificationCenter.h"

#include <utility>
#include <vector>

namespace ostrel {

NotificationCenter::ObserverId NotificationCenter::addObserver(const QString& name,
                                                               Handler handler) {
    const ObserverId id = nextId_++;
    observers_.emplace(id, Observer{name, std::move(handler)});
    return id;
}

void NotificationCenter::removeObserver(ObserverId id) {
    observers_.erase(id);
}

void NotificationCenter::post(const QString& name, const QVariantMap& userInfo) {
    // Handlers may add or remove observers, so walk a snapshot of the ids and look each
    // one up again before calling it.
    std::vector<ObserverId> ids;
    for (const auto& [id, observer] : observers_) {
        if (observer.name == name) {
            ids.push_back(id);
        }
    }
    const Notification notification{name, userInfo};
    for (ObserverId id : ids) {
        auto found = observers_.find(id);
        if (found == observers_.end()) {
            continue;
        }
        Handler handler = found->second.handler; // survives its own removal during the call
        handler(notification);
    }
}

} // namespace ostrel
