#include "platform/linux/applications/X11WindowOwners.h"

#include "support/CapturedLog.h"
#include "support/RunUntil.h"

#include <QProcess>
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
        // TCP lets the test create a window whose client the server has no pid for.
        process_.start("Xvfb", {"-displayfd", "1", "-listen", "tcp", "-screen", "0", "320x240x24"});
        if (process_.waitForStarted(10'000) &&
            runUntil([this] { return process_.canReadLine(); })) {
            number_ = process_.readLine().trimmed();
        }
    }
    ~Xvfb() { stop(); }

    bool isRunning() const { return !number_.isEmpty(); }
    QByteArray localDisplay() const { return ':' + number_; }
    QByteArray tcpDisplay() const { return "127.0.0.1:" + number_; }
    // Lets the server end as it would at the end of a session, removing its socket and lock.
    void stop() {
        process_.terminate();
        process_.waitForFinished(10'000);
    }

private:
    QProcess process_;
    QByteArray number_;
};

// A client of the display, acting as the window manager and as applications.
class Client {
public:
    explicit Client(const QByteArray& display)
        : connection_(xcb_connect(display.constData(), nullptr)) {
        EXPECT_EQ(xcb_connection_has_error(connection_), 0);
        EXPECT_NE(
            xcb_ewmh_init_atoms_replies(&ewmh_, xcb_ewmh_init_atoms(connection_, &ewmh_), nullptr),
            0);
    }
    ~Client() {
        xcb_ewmh_connection_wipe(&ewmh_);
        xcb_disconnect(connection_);
    }

    xcb_window_t createWindow(bool mapped, std::optional<uint32_t> claimedPid) {
        // The private server has a single screen.
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        const xcb_window_t window = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        if (claimedPid) {
            xcb_ewmh_set_wm_pid(&ewmh_, window, *claimedPid);
        }
        if (mapped) {
            xcb_map_window(connection_, window);
        }
        sync();
        return window;
    }
    // Publishes the window list and the active window, as a window manager does.
    void publish(std::vector<xcb_window_t> windows, xcb_window_t active) {
        xcb_ewmh_set_client_list(&ewmh_, 0, uint32_t(windows.size()), windows.data());
        xcb_ewmh_set_active_window(&ewmh_, 0, active);
        sync();
    }
    void sync() {
        std::free(
            xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

private:
    xcb_connection_t* connection_;
    xcb_ewmh_connection_t ewmh_{};
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
    const std::vector<xcb_window_t> all{shown, unclaimed, minimized, overTcp, silentOverTcp};
    manager.publish(all, shown);
    EXPECT_EQ(owners->activeWindowOwnerPid(), ownPid);
    EXPECT_EQ(owners->visibleWindowOwnerPids(), (std::vector<qint32>{ownPid, ownPid, 4545}));
    manager.publish(all, overTcp);
    EXPECT_EQ(owners->activeWindowOwnerPid(), 4545);
    manager.publish(all, silentOverTcp);
    EXPECT_EQ(owners->activeWindowOwnerPid(), std::nullopt);
    manager.publish(all, XCB_WINDOW_NONE);
    EXPECT_EQ(owners->activeWindowOwnerPid(), std::nullopt);

    // A window that is gone while still listed is skipped.
    manager.publish({0x7fffff, shown}, 0x7fffff);
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
    // On Wayland the display knows XWayland's windows only: it is not even asked.
    qputenv("DISPLAY", ":ostrel-no-such-display");
    qputenv("XDG_SESSION_TYPE", "wayland");
    EXPECT_EQ(X11WindowOwners::connectToSessionDisplay(), nullptr);
    EXPECT_EQ(log.countStartingWith("⚠️ [RunningApplications] Cannot reach X11 display"), 1);
    qunsetenv("XDG_SESSION_TYPE");
    saved.isEmpty() ? qunsetenv("DISPLAY") : qputenv("DISPLAY", saved);
}
