#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>

namespace ostrel {

// What Ostrel was asked to do on its command line.
struct CommandLineRequest {
    enum class Action {
        Run,
        ShowHelp,
        ShowVersion,
        Refuse, // an unknown option or a stray argument
    };

    Action action = Action::Run;
    // No windows and no tray icon; monitoring, the activity log and notifications go on.
    bool headless = false;
    QString problem; // Refuse: what was wrong, shown above the usage
};

// Reads the arguments after the program's name. It runs before the Qt application exists,
// so --help and --version work without a display. Qt's own options (-platform, -session,
// -style, ...) are accepted and left for Qt: the session manager restarts Ostrel with them.
CommandLineRequest parseCommandLine(const QStringList& arguments);

// Answers a request that does not run Ostrel: help and version on `out`, a refusal with the
// usage on `err`. Returns the exit status, or nothing when Ostrel should run.
std::optional<int> answerWithoutRunning(const CommandLineRequest& request, QTextStream& out,
                                        QTextStream& err);

} // namespace ostrel
