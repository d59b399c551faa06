#include "detection/ProcessCandidate.h"

#include "base/Log.h"

#include <algorithm>

namespace ostrel {

std::optional<ProcessInfo> topCandidate(std::vector<ProcessCandidate> candidates,
                                        const QString& linePrefix) {
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const ProcessCandidate& a, const ProcessCandidate& b) {
                         return a.priority > b.priority;
                     });
    if (candidates.empty()) {
        return std::nullopt;
    }
    const ProcessCandidate& top = candidates.front();
    logLine(linePrefix + top.name + QStringLiteral(" (priority: %1)").arg(top.priority));
    return ProcessInfo{top.pid, top.name, top.bundleIdentifier, top.path};
}

std::optional<ProcessInfo> unnamedHolderProcess(const std::vector<QString>& names,
                                                const QString& emoji) {
    if (names.empty()) {
        return std::nullopt;
    }
    logLine(emoji + QStringLiteral(" [HOLDER] Held by ") + names.front() +
            QStringLiteral(", which has no process Ostrel can name"));
    return ProcessInfo{-1, names.front(), std::nullopt, std::nullopt};
}

} // namespace ostrel
