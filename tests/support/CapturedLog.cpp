#include "support/CapturedLog.h"

#include "base/Log.h"

namespace ostrel {

CapturedLog::CapturedLog() {
    setLogSink([this](const QString& line) { lines_.append(line); });
}

CapturedLog::~CapturedLog() {
    setLogSink(nullptr);
}

QStringList CapturedLog::lines() const {
    return lines_;
}

bool CapturedLog::contains(const QString& line) const {
    return lines_.contains(line);
}

int CapturedLog::countStartingWith(const QString& prefix) const {
    int count = 0;
    for (const QString& line : lines_) {
        count += line.startsWith(prefix) ? 1 : 0;
    }
    return count;
}

void CapturedLog::clear() {
    lines_.clear();
}

} // namespace ostrel
