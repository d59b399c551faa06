#pragma once

#include <chrono>
#include <limits>
#include <optional>

namespace ostrel {

// A point on the monotonic clock. Intervals are always measured on this clock, so a wall
// clock stepped back (after a resume, or by the user) never silences a debounce or a timer.
using MonotonicTime = std::chrono::steady_clock::time_point;

// When something last happened; empty means "never", the distant past.
using LastOccurrence = std::optional<MonotonicTime>;

// Seconds from `then` to `now`; infinite when `then` never happened, so the first
// comparison against any interval passes and nothing overflows.
inline double secondsSince(const LastOccurrence& then, MonotonicTime now) {
    if (!then) {
        return std::numeric_limits<double>::infinity();
    }
    return std::chrono::duration<double>(now - *then).count();
}

} // namespace ostrel
