#include "platform/linux/proc/LinuxProcessServices.h"

#include "platform/linux/proc/ProcEntries.h"

#include <QList>
#include <limits>
#include <unistd.h>
#include <utility>

namespace ostrel {
namespace {

// PF_FORKNOEXEC: set by the kernel on fork, cleared when the process executes a new image.
constexpr quint64 kForkedWithoutExec = 0x40;

constexpr quint64 kNanosecondsPerSecond = 1'000'000'000;

constexpr int kStatFlagsField = 9;
constexpr int kStatUserTimeField = 14;
constexpr int kStatSystemTimeField = 15;

std::optional<quint64> checkedMultiply(quint64 a, quint64 b) {
    if (b != 0 && a > std::numeric_limits<quint64>::max() / b) {
        return std::nullopt;
    }
    return a * b;
}

// Splitting in two keeps the intermediate product small while staying exact.
std::optional<quint64> ticksToNanoseconds(quint64 ticks, quint64 ticksPerSecond) {
    const std::optional<quint64> whole =
        checkedMultiply(ticks / ticksPerSecond, kNanosecondsPerSecond);
    const std::optional<quint64> part =
        checkedMultiply(ticks % ticksPerSecond, kNanosecondsPerSecond);
    if (!whole || !part) {
        return std::nullopt;
    }
    const quint64 fraction = *part / ticksPerSecond;
    if (*whole > std::numeric_limits<quint64>::max() - fraction) {
        return std::nullopt;
    }
    return *whole + fraction;
}

QList<QByteArray> whitespaceFields(const QByteArray& text) {
    return text.simplified().split(' ');
}

// The stat fields from the state (field 3) on. The command before them sits in parentheses and
// may itself hold spaces and ')', so the split happens after the last ')'.
std::optional<QList<QByteArray>> statFieldsAfterCommand(const QByteArray& stat) {
    const qsizetype commandEnd = stat.lastIndexOf(')');
    if (commandEnd < 0) {
        return std::nullopt;
    }
    return whitespaceFields(stat.mid(commandEnd + 1));
}

// Field numbers count from 1, as the kernel documents them.
std::optional<quint64> statField(const QList<QByteArray>& fieldsFromState, int number) {
    const qsizetype index = number - 3;
    if (index < 0 || index >= fieldsFromState.size()) {
        return std::nullopt;
    }
    return parseUnsigned(fieldsFromState.at(index));
}

quint64 positiveSystemValue(int name) {
    const long value = ::sysconf(name);
    return value > 0 ? quint64(value) : 0;
}

} // namespace

LinuxProcessServices::LinuxProcessServices(QString procRoot)
    : files_(std::move(procRoot)), listing_(files_.root()),
      pageSize_(positiveSystemValue(_SC_PAGESIZE)),
      clockTicksPerSecond_(positiveSystemValue(_SC_CLK_TCK)) {}

qint32 LinuxProcessServices::ownPid() const {
    return qint32(::getpid());
}

QString LinuxProcessServices::shortName(qint32 pid) const {
    return files_.shortName(pid);
}

std::optional<QString> LinuxProcessServices::executablePath(qint32 pid) const {
    // Names and matching use the path: after an upgrade the program is still the one there.
    return files_.executablePath(pid);
}

std::vector<qint32> LinuxProcessServices::allPids() const {
    return listing_.pids();
}

std::optional<ProcessBasics> LinuxProcessServices::basics(qint32 pid) const {
    std::optional<QString> name = files_.comm(pid);
    if (!name) {
        return std::nullopt;
    }
    ProcessBasics result;
    result.shortName = std::move(*name);
    if (const std::optional<QByteArray> stat = files_.readEntry(pid, "stat")) {
        if (const auto fields = statFieldsAfterCommand(*stat)) {
            if (const std::optional<quint64> flags = statField(*fields, kStatFlagsField)) {
                result.hasExecuted = (*flags & kForkedWithoutExec) == 0;
            }
        }
    }
    return result;
}

std::optional<TaskFigures> LinuxProcessServices::taskFigures(qint32 pid) const {
    if (pageSize_ == 0 || clockTicksPerSecond_ == 0) {
        return std::nullopt;
    }
    const std::optional<QByteArray> statm = files_.readEntry(pid, "statm");
    const std::optional<QByteArray> stat = files_.readEntry(pid, "stat");
    if (!statm || !stat) {
        return std::nullopt;
    }
    const QList<QByteArray> pages = whitespaceFields(*statm);
    const std::optional<QList<QByteArray>> fields = statFieldsAfterCommand(*stat);
    if (pages.size() < 2 || !fields) {
        return std::nullopt;
    }
    const std::optional<quint64> virtualPages = parseUnsigned(pages.at(0));
    const std::optional<quint64> residentPages = parseUnsigned(pages.at(1));
    const std::optional<quint64> userTicks = statField(*fields, kStatUserTimeField);
    const std::optional<quint64> systemTicks = statField(*fields, kStatSystemTimeField);
    if (!virtualPages || !residentPages || !userTicks || !systemTicks) {
        return std::nullopt;
    }
    const std::optional<quint64> virtualSize = checkedMultiply(*virtualPages, pageSize_);
    const std::optional<quint64> residentSize = checkedMultiply(*residentPages, pageSize_);
    const std::optional<quint64> totalUser = ticksToNanoseconds(*userTicks, clockTicksPerSecond_);
    const std::optional<quint64> totalSystem =
        ticksToNanoseconds(*systemTicks, clockTicksPerSecond_);
    if (!virtualSize || !residentSize || !totalUser || !totalSystem) {
        return std::nullopt;
    }
    return TaskFigures{*virtualSize, *residentSize, *totalUser, *totalSystem};
}

std::optional<int> LinuxProcessServices::descriptorCount(qint32 pid) const {
    if (pid <= 0) {
        return std::nullopt;
    }
    int count = 0;
    if (!forEachEntry(files_.entryPath(pid, "fd"), [&count](const char*) { ++count; })) {
        return std::nullopt;
    }
    return count;
}

} // namespace ostrel
