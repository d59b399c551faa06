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
// session bus, where there is one, carries a second launch's request to the first.
class SessionSingleInstance final : public SingleInstance {
public:
    explicit SessionSingleInstance(const QString& lockFolder);
    ~SessionSingleInstance() override;

    bool acquire() override;
    void listenForActivation(std::function<void()> show) override;
    bool askRunningInstanceToShow() override;

private:
    QLockFile lock_;
    std::unique_ptr<SessionActivationAdaptor> adaptor_;
};

} // namespace ostrel
