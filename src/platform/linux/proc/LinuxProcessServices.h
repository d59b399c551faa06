#pragma once

#include "platform/ProcessServices.h"
#include "platform/linux/proc/ProcFiles.h"
#include "platform/linux/proc/ProcessListing.h"

#include <QByteArray>
#include <QString>

namespace ostrel {

// Answers process questions from a proc file system. The root is a parameter so tests can
// point it at a fixture tree; the own pid always comes from the kernel.
class LinuxProcessServices final : public ProcessServices {
public:
    explicit LinuxProcessServices(QString procRoot = QStringLiteral("/proc"));

    qint32 ownPid() const override;
    QString shortName(qint32 pid) const override;
    std::optional<QString> executablePath(qint32 pid) const override;
    std::vector<qint32> allPids() const override;
    std::optional<ProcessBasics> basics(qint32 pid) const override;
    std::optional<TaskFigures> taskFigures(qint32 pid) const override;
    std::optional<int> descriptorCount(qint32 pid) const override;

private:
    ProcFiles files_;
    mutable ProcessListing listing_;
    quint64 pageSize_;
    quint64 clockTicksPerSecond_;
};

} // namespace ostrel
