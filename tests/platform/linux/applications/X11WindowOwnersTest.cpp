#include "platform/linux/applications/X11WindowOwners.h"

#include "support/CapturedLog.h"

#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>
#include <xcb/xcb_ewmh.h>

using namespace ostrel;

namespace {

// A private X server; -displayfd makes it pick a free display and print its number.
class Xvfb {
public:
    Xvfb() {
        const QString program = QStandardPaths::findExecutable("Xvfb");
        if (program.isEmpty()) {
            return;
        }
        // TCP lets the test create a window whose client the server has no pid for.
        process_.start(program,
                       {"-displayfd", "1", "-listen", "tcp", "-screen", "0", "320x240x24"});
        if (!process_.waitForStarted(10'000)) {
            return;
        }
        while (!process_.canReadLine() && process_.waitForReadyRead(10'000)) {
        }
        number_ = process_.readLine().trimmed();
    }
    ~Xvfb() { stop(); }

    bool isRunning() const { return !number_.isEmpty(); }
    QByteArray localDisplay() const { return ':' + number_; }
    QByteArray tcpDisplay() const { return "127.0.0.1:" + number_; }
    void stop() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(10'000)) {
                process_.kill();
                process_.waitForFinished(10'000);
            }
        }
    }

private:
    QProcess process_;
    QByteArray number_;
};

// A client of the display, acting as the window manager and as applications.
class Client {
public:
    explicit Client(const QByteArray& display) {
        connection_ = xcb_connect(display.constData(), &screenNumber_);
        EXPECT_EQ(xcb_connection_has_error(connection_), 0);
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
        for (int i = 0; i < screenNumber_; ++i) {
            xcb_screen_next(&screens);
        }
        screen_ = screens.data;
        EXPECT_NE(
            xcb_ewmh_init_atoms_replies(&ewmh_, xcb_ewmh_init_atoms(connection_, &ewmh_), nullptr),
            0);
    }
    ~Client() {
        xcb_ewmh_connection_wipe(&ewmh_);
        xcb_disconnect(connection_);
    }

    xcb_window_t createWindow(bool mapped, std::optional<uint32_t> claimedPid) {
        const xcb_window_t window = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, screen_->root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual, 0, nullptr);
        if (claimedPid) {
            xcb_ewmh_set_wm_pid(&ewmh_, window, *claimedPid);
        }
        if (mapped) {
            xcb_map_window(connection_, window);
        }
        sync();
        return window;
    }
    void setClientList(std::vector<xcb_window_t> windows) {
        xcb_ewmh_set_client_list(&ewmh_, screenNumber_, uint32_t(windows.size()), windows.data());
        sync();
    }
    void setActiveWindow(xcb_window_t window) {
        xcb_ewmh_set_active_window(&ewmh_, screenNumber_, window);
        sync();
    }
    void sync() {
        std::free(
            xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

private:
    xcb_connection_t* connection_ = nullptr;
    xcb_ewmh_connection_t ewmh_{};
    int screenNumber_ = 0;
    xcb_screen_t* screen_ = nullptr;
};

} // namespace

TEST(X11WindowOwnersTest, OwnersComeFromTheServerBeforeTheClientsClaim) {
    Xvfb server;
    if (!server.isRunning()) {
        GTEST_SKIP() << "Xvfb is not available";
    }
    CapturedLog log;
    Client manager(server.localDisplay());
    Client remote(server.tcpDisplay());
    const qint32 ownPid = qint32(::getpid());

    // Before the window manager publishes anything, nothing is known.
    const std::unique_ptr<X11WindowOwners> owners = X11WindowOwners::connect(server.localDisplay());
    ASSERT_TRUE(owners);
    ASSERT_TRUE(owners->usesServerKnownPids());
    EXPECT_EQ(owners->activeWindowOwnerPid(), std::nullopt);
    EXPECT_TRUE(owners->visibleWindowOwnerPids().empty());

    // This process's windows claim other pids; the server knows better. The remote client's
    // window has only its claim.
    const xcb_window_t shown = manager.createWindow(true, 4242);
    const xcb_window_t unclaimed = manager.createWindow(true, std::nullopt);
    const xcb_window_t minimized = manager.createWindow(false, 4343);
    const xcb_window_t overTcp = remote.createWindow(true, 4545);
    const xcb_window_t silentOverTcp = remote.createWindow(true, std::nullopt);
    manager.setClientList({shown, unclaimed, minimized, overTcp, silentOverTcp});
    manager.setActiveWindow(shown);

    EXPECT_EQ(owners->activeWindowOwnerPid(), ownPid);
    EXPECT_EQ(owners->visibleWindowOwnerPids(), (std::vector<qint32>{ownPid, ownPid, 4545}));

    manager.setActiveWindow(overTcp);
    EXPECT_EQ(owners->activeWindowOwnerPid(), 4545);
    manager.setActiveWindow(silentOverTcp);
    EXPECT_EQ(owners->activeWindowOwnerPid(), std::nullopt);
    manager.setActiveWindow(XCB_WINDOW_NONE);
    EXPECT_EQ(owners->activeWindowOwnerPid(), std::nullopt);

    // A window that is gone while still listed is skipped.
    manager.setClientList({0x7fffff, shown});
    manager.setActiveWindow(0x7fffff);
    EXPECT_EQ(owners->activeWindowOwnerPid(), std::nullopt);
    EXPECT_EQ(owners->visibleWindowOwnerPids(), std::vector<qint32>{ownPid});

    // The server goes away: negative answers and one line, no crash.
    server.stop();
    EXPECT_EQ(owners->activeWindowOwnerPid(), std::nullopt);
    EXPECT_TRUE(owners->visibleWindowOwnerPids().empty());
    EXPECT_TRUE(owners->visibleWindowOwnerPids().empty());
    EXPECT_EQ(log.countStartingWith("⚠️ [RunningApplications] Lost the X11 display"), 1);
}

TEST(X11WindowOwnersTest, NoDisplayMeansNoWindowOwners) {
    CapturedLog log;
    EXPECT_EQ(X11WindowOwners::connect(":ostrel-no-such-display"), nullptr);
    EXPECT_EQ(log.countStartingWith("⚠️ [RunningApplications] Cannot reach X11 display"), 1);

    const QByteArray saved = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    EXPECT_EQ(X11WindowOwners::connectToSessionDisplay(), nullptr);
    if (!saved.isEmpty()) {
        qputenv("DISPLAY", saved);
    }
    EXPECT_TRUE(
        log.contains("ℹ️ [RunningApplications] No X11 display: the frontmost application "
                     "and the window list are not available"));
}
