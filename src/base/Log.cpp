#include "base/Log.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace ostrel {

namespace {

std::mutex& logMutex() {
    static std::mutex mutex;
    return mutex;
}

LogSink& currentSink() {
    static LogSink sink;
    return sink;
}

} // namespace

void logLine(const QString& line) {
    std::lock_guard lock(logMutex());
    if (currentSink()) {
        currentSink()(line);
        return;
    }
    QByteArray bytes = line.toUtf8();
    bytes.append('\n');
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

void setLogSink(LogSink sink) {
    std::lock_guard lock(logMutex());
    currentSink() = std::move(sink);
}

} // namespace ostrel
