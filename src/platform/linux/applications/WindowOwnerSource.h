#pragma once

#include <QtGlobal>
#include <optional>
#include <vector>

namespace ostrel {

// Which processes own the desktop's windows, where the session tells.
class WindowOwnerSource {
public:
    virtual ~WindowOwnerSource() = default;

    // The process that owns the window receiving the user's input; none when no window has
    // it or its owner cannot be told.
    virtual std::optional<qint32> activeWindowOwnerPid() = 0;
    // The owner of every visible window whose owner can be told, one entry per window.
    virtual std::vector<qint32> visibleWindowOwnerPids() = 0;
};

} // namespace ostrel
