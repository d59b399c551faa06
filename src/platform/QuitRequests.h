#pragma once

#include <QString>
#include <functional>

namespace ostrel {

// The system asking Ostrel to end (the terminal, the session, a service manager), delivered
// on the main thread so that Ostrel shuts down through its normal path and saves what it
// holds.
class QuitRequests {
public:
    using Handler = std::function<void(const QString& reason)>;

    virtual ~QuitRequests() = default;
    // Starts listening; each request calls the handler with what asked, for the log.
    virtual void listen(Handler handler) = 0;
};

} // namespace ostrel
