#pragma once

#include <QLockFile>
#include <QObject>
#include <functional>
#include <memory>

namespace ostrel {

// Receives "show yourself" from a second launch over the session bus.
class SessionActivationAdaptor final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.Ostrel")

public:
    explicit SessionActivationAdaptor(std::function<void()> show) : show_(std::move(show)) {}

public slots:
    Q_SCRIPTABLE void ShowDashboard() { show_(); }

private:
    std::function<void()> show_;
};

// One Ostrel per user session: a second one would double every notification and write the same
// log file. The lock is a file in the runtime folder (released by the kernel if Ostrel dies);
// the session bus, where there is one, carries a second launch's request to the first.
class SessionSingleInstance {
public:
    explicit SessionSingleInstance(const QString& lockFolder);
    ~SessionSingleInstance();

    // True when this process is now the one Ostrel of the session.
    bool acquire();
    // Lets a later launch ask this one to show itself.
    void listenForActivation(std::function<void()> show);
    // From a second launch: asks the running Ostrel to show itself; false when it cannot be
    // reached.
    static bool askRunningInstanceToShow();

private:
    QLockFile lock_;
    std::unique_ptr<SessionActivationAdaptor> adaptor_;
};

} // namespace ostrel
