#pragma once

#include <QString>
#include <functional>

namespace ostrel {

// Writes one event line to standard output: UTF-8, newline, flushed at once so a crash or a
// kill never loses the lines before it. Safe to call from any thread.
void logLine(const QString& line);

// "true" / "false", the way every log line prints a boolean.
inline QString boolText(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// Replaces where log lines go; an empty sink restores standard output. Tests capture with it.
using LogSink = std::function<void(const QString& line)>;
void setLogSink(LogSink sink);

} // namespace ostrel
