#pragma once

#include "support/ManualRunLoop.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace ostrel {

// Runs the Qt event loop until `done` holds; false when ten seconds pass first. Only for what
// real processes, the kernel or a bus server do, which no test clock can hurry; Ostrel's own
// timers run on ManualRunLoop instead.
inline bool runUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(10'000);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Runs what background threads hand over to `loop` until `done` holds.
inline bool pumpUntil(ManualRunLoop& loop, const std::function<bool()>& done) {
    return runUntil([&] {
        loop.runPending();
        return done();
    });
}

} // namespace ostrel
