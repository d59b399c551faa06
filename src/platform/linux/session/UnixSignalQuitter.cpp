#include "platform/linux/session/UnixSignalQuitter.h"

#include "base/Log.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ostrel {

namespace {

constexpr int kHandledSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Written by the signal handler, read on the main thread: the only async-signal-safe hand-over.
int signalPipe[2] = {-1, -1};

void onSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

void UnixSignalQuitter::listen(Handler handler) {
    handler_ = std::move(handler);
    if (notifier_) {
        return;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) {
        logLine(QStringLiteral("⚠️ [Ostrel] Cannot watch for quit signals: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { readSignal(); });

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : kHandledSignals) {
        ::sigaction(signalNumber, &action, nullptr);
    }
}

UnixSignalQuitter::~UnixSignalQuitter() {
    if (!notifier_) {
        return;
    }
    for (int signalNumber : kHandledSignals) {
        ::signal(signalNumber, SIG_DFL);
    }
    notifier_.reset();
    for (int& fd : signalPipe) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

void UnixSignalQuitter::readSignal() {
    unsigned char byte = 0;
    while (::read(signalPipe[0], &byte, 1) == 1) {
        const char* name = sigabbrev_np(byte);
        handler_(QStringLiteral("SIG") + QString::fromLatin1(name ? name : "?"));
    }
}

} // namespace ostrel
