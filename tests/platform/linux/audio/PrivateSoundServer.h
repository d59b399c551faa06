#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace ostrel {

// A PulseAudio daemon of the test's own, on a socket in a temporary folder, with one null
// source "ostrel_private_source". It can be killed and started again on the same socket.
class PrivateSoundServer {
public:
    PrivateSoundServer();
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    // Starts the daemon and waits, at most ten seconds, until it answers.
    bool start();
    // Kills the daemon at once, as a crash would, and reaps it.
    void kill();

    QString serverString() const;
    // Runs pactl against this daemon; false when it fails.
    bool pactl(const QStringList& arguments, QString* output = nullptr) const;

private:
    QTemporaryDir folder_;
    QProcess daemon_;
};

} // namespace ostrel
