#pragma once

#include "platform/ProcessServices.h"

#include <QHash>

namespace ostrel {

// Processes the test describes; any pid it did not describe has vanished.
class FakeProcessServices final : public ProcessServices {
public:
    qint32 ownPid() const override { return ownPidValue; }
    QString shortName(qint32 pid) const override { return names.value(pid); }
    std::optional<QString> executablePath(qint32 pid) const override {
        auto found = executablePaths.constFind(pid);
        return found == executablePaths.constEnd() ? std::nullopt : std::optional(*found);
    }
    std::vector<qint32> allPids() const override { return pids; }
    std::optional<ProcessBasics> basics(qint32 pid) const override {
        auto found = processBasics.constFind(pid);
        return found == processBasics.constEnd() ? std::nullopt : std::optional(*found);
    }
    std::optional<TaskFigures> taskFigures(qint32 pid) const override {
        auto found = figures.constFind(pid);
        return found == figures.constEnd() ? std::nullopt : std::optional(*found);
    }
    std::optional<int> descriptorCount(qint32 pid) const override {
        auto found = descriptorCounts.constFind(pid);
        return found == descriptorCounts.constEnd() ? std::nullopt : std::optional(*found);
    }

    qint32 ownPidValue = 4000;
    QHash<qint32, QString> names;
    QHash<qint32, QString> executablePaths;
    std::vector<qint32> pids;
    QHash<qint32, ProcessBasics> processBasics;
    QHash<qint32, TaskFigures> figures;
    QHash<qint32, int> descriptorCounts;
};

} // namespace ostrel
