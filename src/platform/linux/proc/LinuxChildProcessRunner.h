#pragma once

#include "platform/ChildProcessRunner.h"

#include <chrono>

namespace ostrel {

// Starts children with posix_spawn and holds each run to a time bound: a child still running
// when the bound passes is killed, together with whatever it started, and reaped.
class LinuxChildProcessRunner final : public ChildProcessRunner {
public:
    explicit LinuxChildProcessRunner(std::chrono::milliseconds bound = std::chrono::seconds(3));

    // program is a path to the executable; it is not looked up in PATH.
    ChildProcessResult run(const QString& program, const QStringList& arguments,
                           StandardError standardError) override;

private:
    std::chrono::milliseconds bound_;
};

} // namespace ostrel
