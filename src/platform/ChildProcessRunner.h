#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ostrel {

struct ChildProcessResult {
    enum class Outcome {
        Exited,       // ran to its end; exitStatus holds its status
        LaunchFailed, // could not be started; error says why
        TimedOut,     // outlived the bound and was killed
        Signalled,    // ended by a signal
    };

    Outcome outcome = Outcome::LaunchFailed;
    int exitStatus = -1;
    QByteArray standardOutput; // everything the child wrote before it ended or was killed
    QString error;             // readable description when the outcome is not Exited

    bool exitedWith(int status) const { return outcome == Outcome::Exited && exitStatus == status; }
};

// Runs a program to completion, without a shell, and hands back its output and status.
// Calls block the caller until the child ends or the bound passes.
class ChildProcessRunner {
public:
    enum class StandardError { Inherit, Discard };

    virtual ~ChildProcessRunner() = default;

    virtual ChildProcessResult run(const QString& program, const QStringList& arguments,
                                   StandardError standardError) = 0;
};

} // namespace ostrel
