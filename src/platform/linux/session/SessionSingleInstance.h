#pragma once

#include "platform/SingleInstance.h"

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

// The lock is a file in the runtime folder (released by the kernel if Ostrel dies); the
// session bus, where there is one, carries a second launch's request to the first. The
// runtime folder and the bus serve every session of the user (a remote desktop, a second
// seat), so the lock file and the bus name carry the graphical session's name: each session
// gets its Ostrel, and a second launch reaches the one of its own session.
class SessionSingleInstance final : public SingleInstance {
public:
    // `session`: the graphical session's name; empty when there is none to tell apart.
    explicit SessionSingleInstance(const QString& lockFolder,
                                   const QString& session = currentSession());
    ~SessionSingleInstance() override;

    bool acquire() override;
    void listenForActivation(std::function<void()> show) override;
    bool askRunningInstanceToShow() override;

    // XDG_SESSION_ID, else the display (WAYLAND_DISPLAY, then DISPLAY).
    static QString currentSession();

private:
    // Ostrel's bus name and object path with the session in them, in the characters both
    // allow.
    const QString serviceName_;
    const QString objectPath_;
    QLockFile lock_;
    std::unique_ptr<SessionActivationAdaptor> adaptor_;
};

} // namespace ostrel
