#include "base/Log.h"

#include "support/CapturedLog.h"

#include <QThread>
#include <gtest/gtest.h>

using namespace ostrel;

TEST(Log, CapturesLinesFromAnyThreadWithoutLosingAny) {
    CapturedLog log;
    QThread* worker = QThread::create([] {
        for (int i = 0; i < 200; ++i) {
            logLine(QStringLiteral("🎤 worker line"));
        }
    });
    worker->start();
    for (int i = 0; i < 200; ++i) {
        logLine(QStringLiteral("🎤 main line"));
    }
    worker->wait();
    delete worker;

    EXPECT_TRUE(log.contains(QStringLiteral("🎤 main line"))); // exactly as written
    EXPECT_EQ(log.countStartingWith(QStringLiteral("🎤 worker")), 200);
    EXPECT_EQ(log.countStartingWith(QStringLiteral("🎤 main")), 200);
    EXPECT_EQ(boolText(true) + boolText(false), QStringLiteral("truefalse"));
}
