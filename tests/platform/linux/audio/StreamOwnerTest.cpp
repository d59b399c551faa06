#include "platform/linux/audio/StreamOwner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

TEST(StreamOwnerTest, TheKernelsWordDecidesAndClaimsOnlyGiveNames) {
    QTemporaryDir proc;
    const std::pair<qint32, QString> executables[] = {
        {10, "/usr/bin/parecord"},
        {20, "/usr/bin/pipewire-pulse"},
        {30, "/usr/bin/pavucontrol"},
        {31, "/home/someone/bin/pavucontrol"},
        {40, "/usr/lib/firefox-esr/firefox-esr (deleted)"},
        {50, "/usr/bin/pipewire"},
    };
    for (const auto& [pid, executable] : executables) {
        const QString folder = proc.filePath(QString::number(pid));
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(QFile::link(executable, folder + "/exe"));
    }
    const StreamOwnerRule rule(proc.path());
    using Kind = StreamOwner::Kind;
    const struct {
        StreamClaim claim;
        StreamOwner owner;
    } cases[] = {
        // The socket's pid is the program's own: what it declares does not matter.
        {{10, 40, "firefox-esr", {}, {}}, {Kind::Process, 10, "parecord", false}},
        // Behind the relay, a declared pid whose executable bears the declared name.
        {{20, 10, "parecord", {}, {}}, {Kind::Process, 10, "parecord", false}},
        // Another process's pid, a pid that does not exist, nothing declared at all.
        {{20, 10, "arecord", {}, {}}, {Kind::Unverified, 0, "arecord (unverified)", false}},
        {{20, 77, "parecord", {}, {}}, {Kind::Unverified, 0, "parecord (unverified)", false}},
        {{20, {}, {}, "Chat", {}}, {Kind::Unverified, 0, "Chat (unverified)", false}},
        {{20, {}, {}, {}, "org.example.Chat"},
         {Kind::Unverified, 0, "org.example.Chat (unverified)", false}},
        {{20, {}, {}, {}, {}},
         {Kind::Unverified, 0, "an unidentified program (unverified)", false}},
        // The relay's and the daemon's own streams are never anybody's use.
        {{20, 20, "pipewire-pulse", {}, {}}, {Kind::SoundServer, 0, "pipewire-pulse", false}},
        {{20, 50, "pipewire", {}, {}}, {Kind::SoundServer, 0, "pipewire", false}},
        // PulseAudio gives no socket pid; an upgraded executable keeps its name.
        {{{}, 40, "firefox-esr", {}, {}}, {Kind::Process, 40, "firefox-esr", false}},
        // A volume control is known by where its executable is installed.
        {{30, {}, {}, {}, {}}, {Kind::Process, 30, "pavucontrol", true}},
        {{31, {}, {}, {}, {}}, {Kind::Process, 31, "pavucontrol", false}},
    };
    for (const auto& [claim, owner] : cases) {
        EXPECT_EQ(rule.ownerOf(claim), owner) << owner.name.toStdString();
    }
    EXPECT_TRUE(rule.isRelay(20));
    EXPECT_FALSE(rule.isRelay(10));
    EXPECT_FALSE(rule.isRelay(77));
}
