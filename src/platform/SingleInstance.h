#pragma once

#include <functional>

namespace ostrel {

// One Ostrel per session: a second one would double every notification and write the same
// log file.
class SingleInstance {
public:
    virtual ~SingleInstance() = default;

    // True when this process is now the one Ostrel of the session.
    virtual bool acquire() = 0;
    // Lets a later launch ask this one to show itself.
    virtual void listenForActivation(std::function<void()> show) = 0;
    // From a second launch: asks the running Ostrel to show itself; false when it cannot be
    // reached.
    virtual bool askRunningInstanceToShow() = 0;
};

} // namespace ostrel
