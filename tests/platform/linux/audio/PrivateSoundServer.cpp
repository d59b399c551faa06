#include "PrivateSoundServer.h"

#include <QDir>
#include <QProcessEnvironment>
#include <chrono>
#include <thread>

namespace ostrel {

PrivateSoundServer::PrivateSoundServer() {
    QDir(folder_.path()).mkpath(QStringLiteral("home"));
    QDir(folder_.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(folder_.path() + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // The daemon keeps its state and cookie in the test's folder, never in a real home.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), folder_.path() + QStringLiteral("/home"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder_.path() + QStringLiteral("/home"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                       folder_.path() + QStringLiteral("/runtime"));
    environment.remove(QStringLiteral("PULSE_SERVER"));
    // A bus of its own that does not exist: on the shared one, the test daemon already holds
    // the sound server's name.
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QStringLiteral("unix:path=") + folder_.path() + QStringLiteral("/no-bus"));
    daemon_.setProcessEnvironment(environment);
    daemon_.setStandardOutputFile(QProcess::nullDevice());
    daemon_.setStandardErrorFile(QProcess::nullDevice());
}

PrivateSoundServer::~PrivateSoundServer() {
    kill();
}

bool PrivateSoundServer::start() {
    const QString socket = folder_.path() + QStringLiteral("/native");
    daemon_.start(
        QStringLiteral("pulseaudio"),
        {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
         QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--disallow-exit"),
         QStringLiteral("--use-pid-file=no"),
         QStringLiteral("--log-target=file:") + folder_.path() + QStringLiteral("/pulseaudio.log"),
         QStringLiteral("--load=module-native-protocol-unix socket=") + socket +
             QStringLiteral(" auth-anonymous=1"),
         QStringLiteral("--load=module-null-source source_name=ostrel_private_source")});
    if (!daemon_.waitForStarted(10000)) {
        return false;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (pactl({QStringLiteral("info")})) {
            return true;
        }
        if (daemon_.state() == QProcess::NotRunning) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

void PrivateSoundServer::kill() {
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.kill();
        daemon_.waitForFinished(10000);
    }
}

QString PrivateSoundServer::serverString() const {
    return QStringLiteral("unix:") + folder_.path() + QStringLiteral("/native");
}

bool PrivateSoundServer::pactl(const QStringList& arguments, QString* output) const {
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QStringLiteral("pactl"),
                  QStringList{QStringLiteral("--server=") + serverString()} + arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (output) {
        *output = QString::fromUtf8(process.readAllStandardOutput());
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace ostrel
