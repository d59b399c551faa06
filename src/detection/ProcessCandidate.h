#pragma once

#include "detection/ProcessInfo.h"

#include <QString>
#include <optional>
#include <vector>

namespace ostrel {

// A candidate of a scored ranking; lives only during one ranking.
struct ProcessCandidate {
    qint32 pid = 0;
    QString name;
    QString bundleIdentifier;
    std::optional<QString> path;
    int priority = 0;
};

// The highest-priority candidate, the earlier one of equal priorities (the list keeps the
// platform's order), logged after `linePrefix`; nothing without candidates.
std::optional<ProcessInfo> topCandidate(std::vector<ProcessCandidate> candidates,
                                        const QString& linePrefix);

// The first of the device holders the system knows only by name, as a process without a pid
// (nothing to block, nothing to match by pid); its log line starts with `emoji`.
std::optional<ProcessInfo> unnamedHolderProcess(const std::vector<QString>& names,
                                                const QString& emoji);

} // namespace ostrel
