#include "platform/linux/applications/LaunchCommand.h"

#include <array>

namespace ostrel {
namespace {

// Enough for "env sh -c 'python3 script'"; a deeper nesting names nothing.
constexpr int kMaxUnwrapRounds = 4;

const std::array kShells = {u"sh", u"bash", u"dash", u"zsh", u"ksh", u"fish"};
// They run a script or module given as their first non-option argument.
const std::array kInterpreterPrefixes = {u"python", u"perl", u"ruby", u"node",  u"gjs",
                                         u"java",   u"mono", u"lua",  u"tclsh", u"wish"};
// They run the program given as their first argument that is neither an option nor a
// variable assignment.
const std::array kWrappers = {u"env",     u"pkexec", u"sudo",   u"nice",  u"ionice",
                              u"taskset", u"stdbuf", u"setsid", u"nohup", u"exec"};
// They start something that they do not name by its program.
const std::array kLaunchers = {
    u"flatpak",      u"snap",      u"xdg-open",   u"gio",    u"gtk-launch",
    u"gapplication", u"kioclient", u"kioclient5", u"kstart", u"kstart5",
    u"dbus-send",    u"gdbus",     u"wine",       u"wine64", u"steam-runtime-launch-client"};

template <std::size_t N>
bool isOneOf(const QString& name, const std::array<const char16_t*, N>& names) {
    for (const char16_t* candidate : names) {
        if (name == QStringView(candidate)) {
            return true;
        }
    }
    return false;
}

bool isInterpreter(const QString& name) {
    for (const char16_t* prefix : kInterpreterPrefixes) {
        const QStringView start(prefix);
        if (name.startsWith(start)) {
            // python3, python3.11, perl5.36, nodejs: the prefix followed by a version.
            const QStringView rest = QStringView(name).mid(start.size());
            if (rest.isEmpty() || rest == u"js" || rest.front().isDigit()) {
                return true;
            }
        }
    }
    return false;
}

qsizetype firstPlainArgument(const QStringList& arguments, qsizetype from, bool skipAssignments) {
    for (qsizetype i = from; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument.startsWith(u'-') || (skipAssignments && argument.contains(u'='))) {
            continue;
        }
        return i;
    }
    return -1;
}

} // namespace

QStringList LaunchCommand::splitExecLine(const QString& execLine) {
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < execLine.size(); ++i) {
        const QChar c = execLine.at(i);
        if (c == u'\\' && i + 1 < execLine.size()) {
            current.append(execLine.at(++i));
            inArgument = true;
        } else if (c == u'"') {
            quoted = !quoted;
            inArgument = true;
        } else if (!quoted && (c == u' ' || c == u'\t' || c == u'\n')) {
            if (inArgument) {
                arguments.append(current);
                current.clear();
                inArgument = false;
            }
        } else if (c == u'%' && i + 1 < execLine.size()) {
            const QChar code = execLine.at(++i);
            if (code == u'%') {
                current.append(u'%');
                inArgument = true;
            }
        } else {
            current.append(c);
            inArgument = true;
        }
    }
    if (inArgument) {
        arguments.append(current);
    }
    return arguments;
}

QString LaunchCommand::fileName(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString LaunchCommand::programPath(const QStringList& commandLine) {
    QStringList arguments = commandLine;
    qsizetype index = 0;
    for (int round = 0; round < kMaxUnwrapRounds && index >= 0 && index < arguments.size();
         ++round) {
        const QString name = fileName(arguments.at(index));
        if (isOneOf(name, kWrappers)) {
            index = firstPlainArgument(arguments, index + 1, true);
        } else if (isOneOf(name, kShells)) {
            const qsizetype command = arguments.indexOf(QStringLiteral("-c"), index + 1);
            if (command >= 0 && command + 1 < arguments.size()) {
                arguments = splitExecLine(arguments.at(command + 1));
                index = 0;
            } else {
                index = firstPlainArgument(arguments, index + 1, false);
            }
        } else if (isInterpreter(name)) {
            index = firstPlainArgument(arguments, index + 1, false);
        } else if (isOneOf(name, kLaunchers)) {
            return {};
        } else {
            return arguments.at(index);
        }
    }
    return {};
}

QString LaunchCommand::scriptName(const QStringList& commandLine) {
    if (commandLine.isEmpty()) {
        return {};
    }
    const QString name = fileName(commandLine.first());
    const bool isShell = isOneOf(name, kShells);
    if (!isShell && !isInterpreter(name)) {
        return {};
    }
    if (isShell && commandLine.contains(QStringLiteral("-c"))) {
        return {};
    }
    const qsizetype script = firstPlainArgument(commandLine, 1, false);
    return script < 0 ? QString() : fileName(commandLine.at(script));
}

bool LaunchCommand::isGenericProgram(const QString& programFileName) {
    return isOneOf(programFileName, kWrappers) || isOneOf(programFileName, kShells) ||
           isInterpreter(programFileName) || isOneOf(programFileName, kLaunchers);
}

} // namespace ostrel
