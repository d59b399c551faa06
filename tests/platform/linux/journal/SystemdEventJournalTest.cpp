#include "platform/linux/journal/SystemdEventJournal.h"

#include "platform/linux/proc/LinuxProcessServices.h"
#include "support/FakeRunningApplications.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtEndian>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ostrel;

namespace {

// "KEY=value" per field, sorted.
using Entry = QList<QByteArray>;

// One datagram of the journal's native protocol: "KEY=value\n", or "KEY\n", a 64-bit
// little-endian length, the value and "\n".
Entry parseEntry(const QByteArray& datagram) {
    Entry entry;
    for (qsizetype at = 0; at < datagram.size();) {
        const qsizetype end = datagram.indexOf('\n', at);
        const QByteArray line = datagram.mid(at, end - at);
        if (line.contains('=')) {
            entry.append(line);
            at = end + 1;
        } else {
            const auto size = qFromLittleEndian<qint64>(datagram.constData() + end + 1);
            entry.append(line + '=' + datagram.mid(end + 9, size));
            at = end + 9 + size + 1;
        }
    }
    std::sort(entry.begin(), entry.end());
    return entry;
}

} // namespace

// The sender runs in a child whose /run is private and holds the test's socket as the
// journal's, so the real journal never sees a test entry.
TEST(SystemdEventJournalTest, SendsOneStructuredEntryPerEventWithTheProcessFacts) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a private mount namespace needs root";
    }
    QTemporaryDir folder;
    const int receiver = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{AF_UNIX, {}};
    qstrncpy(address.sun_path, QFile::encodeName(folder.filePath("socket")).constData(),
             sizeof address.sun_path);
    ASSERT_EQ(::bind(receiver, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const QByteArray path = QFile::encodeName(folder.path());

    const pid_t sender = ::fork();
    if (sender == 0) {
        int folderFd = -1;
        // The folder is opened inside the new namespace, where a bind mount may take it from,
        // and before the fresh /run hides it.
        const bool isolated = ::unshare(CLONE_NEWNS) == 0 &&
                              ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                              (folderFd = ::open(path.constData(), O_PATH)) >= 0 &&
                              ::mount("tmpfs", "/run", "tmpfs", 0, nullptr) == 0 &&
                              ::mkdir("/run/systemd", 0755) == 0 &&
                              ::mkdir("/run/systemd/journal", 0755) == 0 &&
                              ::mount(("/proc/self/fd/" + QByteArray::number(folderFd)).constData(),
                                      "/run/systemd/journal", nullptr, MS_BIND, nullptr) == 0;
        if (isolated) {
            const qint64 self = ::getpid();
            LinuxProcessServices processes;
            FakeRunningApplications applications;
            RunningApplication meeting;
            meeting.processIdentifier = static_cast<qint32>(self);
            meeting.bundleIdentifier = QStringLiteral("org.example.Meeting");
            applications.add(meeting);
            SystemdEventJournal journal(processes, applications);
            using Kind = JournalEvent::Kind;
            journal.record({Kind::DeviceAccessChanged, true, false, true, self, "Meeting"});
            journal.record({Kind::DeviceAccessChanged, false, true, false, -1, "Unknown"});
            journal.record({Kind::DirectDeviceAccess, true, true, true, self, {}});
            journal.record({Kind::HighRiskProcess, false, false, false, self, "%1\nMESSAGE=y"});
        }
        ::_exit(isolated ? 0 : 1);
    }
    int status = -1;
    ::waitpid(sender, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::vector<Entry> entries;
    QByteArray datagram(65536, '\0');
    for (ssize_t size;
         (size = ::recv(receiver, datagram.data(), datagram.size(), MSG_DONTWAIT)) >= 0;) {
        entries.push_back(parseEntry(datagram.left(size)));
    }
    ::close(receiver);
    ASSERT_EQ(entries.size(), 4u);
    // A fixed id per kind, the same for every entry of that kind. Sorted, it follows MESSAGE.
    QList<QByteArray> ids;
    for (Entry& entry : entries) {
        ids.append(entry.takeAt(1));
    }
    EXPECT_EQ(ids[0], ids[1]);
    EXPECT_EQ(QSet(ids.begin() + 1, ids.end()).size(), 3);

    const QByteArray pid = QByteArray::number(sender);
    const QByteArray name = LinuxProcessServices().shortName(::getpid()).toUtf8();
    const Entry process{"OSTREL_APP_ID=org.example.Meeting",
                        "OSTREL_EXE=" + QFile::encodeName(QFile::symLinkTarget("/proc/self/exe")),
                        "OSTREL_PID=" + pid, "SYSLOG_IDENTIFIER=ostrel"};
    const Entry expected[] = {
        process + Entry{"MESSAGE=Camera in use by Meeting (pid " + pid + ")", "OSTREL_ACTIVE=true",
                        "OSTREL_DEVICE=camera", "OSTREL_NAME=Meeting", "PRIORITY=5"},
        Entry{"MESSAGE=Microphone no longer in use by Unknown", "OSTREL_ACTIVE=false",
              "OSTREL_DEVICE=microphone", "OSTREL_NAME=Unknown", "PRIORITY=6",
              "SYSLOG_IDENTIFIER=ostrel"},
        process + Entry{"MESSAGE=Suspicious process " + name + " (pid " + pid +
                            ") accesses the camera and microphone",
                        "OSTREL_DEVICE=camera", "OSTREL_DEVICE=microphone", "OSTREL_NAME=" + name,
                        "PRIORITY=4"},
        process + Entry{"MESSAGE=High-risk process launched: %1\nMESSAGE=y (pid " + pid + ")",
                        "OSTREL_NAME=%1\nMESSAGE=y", "PRIORITY=4"},
    };
    for (size_t i = 0; i < entries.size(); ++i) {
        Entry want = expected[i];
        std::sort(want.begin(), want.end());
        EXPECT_EQ(entries[i], want) << i;
    }
}
