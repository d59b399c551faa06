#pragma once

#include "platform/QuitRequests.h"

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <functional>
#include <memory>

namespace ostrel {

// Turns SIGINT, SIGTERM and SIGHUP into a call on the main thread, so that Ostrel does not die
// mid-write. The reason handed on is the signal's name.
class UnixSignalQuitter final : public QuitRequests {
public:
    UnixSignalQuitter() = default;
    ~UnixSignalQuitter() override;
    UnixSignalQuitter(const UnixSignalQuitter&) = delete;
    UnixSignalQuitter& operator=(const UnixSignalQuitter&) = delete;

    void listen(Handler handler) override;

private:
    void readSignal();

    Handler handler_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace ostrel
