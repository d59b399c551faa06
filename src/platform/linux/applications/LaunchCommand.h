#pragma once

#include <QString>
#include <QStringList>

namespace ostrel {

// Which program a command line really starts. Desktop entries and processes are matched by
// program name, so both sides go through the same rules: "env VAR=x foo" starts foo,
// "python3 /usr/bin/meld" starts meld, "sh -c 'foo --x'" starts foo, and a generic launcher
// ("flatpak run ...", "xdg-open ...") names no program of its own.
class LaunchCommand {
public:
    // Splits an Exec= value into arguments: blanks separate them, double quotes group them
    // (inside, a backslash escapes the next character), and field codes such as %U are
    // dropped; "%%" is a literal '%'.
    static QStringList splitExecLine(const QString& execLine);

    // The program the arguments start as they give it: a path, or a name to look up in PATH;
    // empty when none can be told.
    static QString programPath(const QStringList& arguments);
    // The last part of a path: what programs are matched by.
    static QString fileName(const QString& path);

    // For a running process: the script an interpreter or a shell runs, from its command
    // line; empty when it runs none ("sh -c ..." is a shell, not yet the program it starts).
    static QString scriptName(const QStringList& commandLine);

    // Interpreters and launchers run many different applications, so their own name never
    // identifies one.
    static bool isGenericProgram(const QString& programFileName);
};

} // namespace ostrel
