#pragma once

#include "platform/linux/applications/WindowOwnerSource.h"

#include <QByteArray>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

namespace ostrel {

// Window owners from an X11 display through the window manager's EWMH properties:
// _NET_ACTIVE_WINDOW and _NET_CLIENT_LIST. A window's owner is the pid the X server knows
// for the client that created it (X-Resource extension, taken from the socket, so it holds
// for sandboxed clients with a pid namespace of their own), else the _NET_WM_PID the client
// set itself. The connection belongs to the main thread; each question is one or two round
// trips with all requests sent before the first reply is awaited.
class X11WindowOwners final : public WindowOwnerSource {
public:
    // None, with a log line, when the display cannot be reached.
    static std::unique_ptr<X11WindowOwners> connect(const QByteArray& displayName);
    // The session's display (DISPLAY); none without one, and none on a Wayland session, where
    // it would answer for XWayland's windows alone and so name the wrong ones.
    static std::unique_ptr<WindowOwnerSource> connectToSessionDisplay();

    ~X11WindowOwners() override;
    X11WindowOwners(const X11WindowOwners&) = delete;
    X11WindowOwners& operator=(const X11WindowOwners&) = delete;

    std::optional<qint32> activeWindowOwnerPid() override;
    std::vector<qint32> visibleWindowOwnerPids() override;

    bool usesServerKnownPids() const { return hasClientIds_; }

private:
    X11WindowOwners(xcb_connection_t* connection, int screen);
    bool isUsable();
    // One answer per window, in order.
    std::vector<std::optional<qint32>> ownerPids(const std::vector<xcb_window_t>& windows);

    xcb_connection_t* connection_;
    xcb_ewmh_connection_t ewmh_{};
    int screen_;
    bool hasEwmh_ = false;
    bool hasClientIds_ = false;
    bool lossLogged_ = false;
};

} // namespace ostrel
