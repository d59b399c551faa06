#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <functional>
#include <memory>

namespace ostrel {

// Turns SIGINT, SIGTERM and SIGHUP into a call on the main thread, so that Ostrel shuts down
// through its normal path (and saves what it holds) instead of dying mid-write.
class UnixSignalQuitter {
public:
    using Handler = std::function<void(const QString& signalName)>;

    explicit UnixSignalQuitter(Handler handler);
    ~UnixSignalQuitter();
    UnixSignalQuitter(const UnixSignalQuitter&) = delete;
    UnixSignalQuitter& operator=(const UnixSignalQuitter&) = delete;

private:
    void readSignal();

    Handler handler_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace ostrel
