#pragma once

#include <QDBusConnection>
#include <QObject>
#include <functional>

namespace ostrel {

// Hears logind announce that the system goes to sleep (PrepareForSleep(true)) and that it
// woke up (PrepareForSleep(false)). Only the owner of logind's bus name is listened to, so
// no other program on the bus can fake the event. The bus is a parameter so tests can use a
// private one; without a bus, nothing is heard.
class LogindSleepWatcher final : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(bool goingToSleep)>;

    LogindSleepWatcher(QDBusConnection bus, Handler handler);
    ~LogindSleepWatcher() override;

    bool isListening() const { return listening_; }

private slots:
    void prepareForSleep(bool goingToSleep);

private:
    QDBusConnection bus_;
    Handler handler_;
    bool listening_ = false;
};

} // namespace ostrel
