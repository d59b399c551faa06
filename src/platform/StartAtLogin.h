#pragma once

namespace ostrel {

// Whether Ostrel starts with the user's desktop session.
class StartAtLogin {
public:
    virtual ~StartAtLogin() = default;

    // Read from the desktop each time, so a change made elsewhere shows.
    virtual bool isEnabled() = 0;
    // Registers or removes Ostrel; false (with a log line) when that could not be done, and
    // then nothing changed.
    virtual bool setEnabled(bool enabled) = 0;
};

} // namespace ostrel
