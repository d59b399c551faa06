#pragma once

#include <QString>
#include <QVariantMap>
#include <functional>
#include <map>

namespace ostrel {

struct Notification {
    QString name;
    QVariantMap userInfo;
};

// In-process notifications by name. Posting delivers synchronously, on the poster's thread,
// to every observer of that name in the order they were added. Used on the main thread only.
class NotificationCenter {
public:
    using ObserverId = quint64;
    using Handler = std::function<void(const Notification&)>;

    ObserverId addObserver(const QString& name, Handler handler);
    // Unknown or already removed ids are ignored. An observer removed while a notification
    // is being delivered does not receive it if it has not been reached yet.
    void removeObserver(ObserverId id);
    void post(const QString& name, const QVariantMap& userInfo = {});

private:
    struct Observer {
        QString name;
        Handler handler;
    };
    std::map<ObserverId, Observer> observers_; // ordered by id, so by time of adding
    ObserverId nextId_ = 1;
};

} // namespace ostrel
